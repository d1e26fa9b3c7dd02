#include "capture/output_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include <zlib.h>

#include "capture/system.h"

namespace fs = std::filesystem;

static std::string Failure(const std::string& path, int err)
{
    return "cannot write " + path + ": " + std::strerror(err);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ResolveTarget(const std::string& path, std::string* target, std::string* error)
{
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(at, ec)) {
            *target = at;
            return true;
        }
        const std::string to = fs::read_symlink(at, ec).string();
        if (ec || to.empty()) {
            *error = Failure(path, ec ? ec.value() : ENOENT);
            return false;
        }
        at = to[0] == '/' ? to : FolderOf(at) + to;
    }
    *error = Failure(path, ELOOP);
    return false;
}

std::string FileKey(const std::string& target)
{
    const std::string key = ExistingFileKey(target);
    if (!key.empty())
        return key;
    const std::string folder = ExistingFileKey(FolderOf(target).empty() ? "." : FolderOf(target));
    return folder.empty() ? "" : folder + "/" + NameOf(target);
}

// Temporaries are "sideways-capture-PID-N-HINT.part": the process that writes them, a count within
// it, and a hint of what they become, cut so that the whole name fits in NAME_MAX bytes.
static constexpr char TempPrefix[] = "sideways-capture-";
static constexpr char TempSuffix[] = ".part";

static std::string TempName(const std::string& hint)
{
    constexpr size_t NameMax = 255;  // bytes in a file name on the file systems we write to
    static uint32_t count = 0;
    const std::string head = TempPrefix + std::to_string(ProcessId()) + "-" + std::to_string(++count) + "-";
    const size_t room = NameMax - head.size() - (sizeof TempSuffix - 1);
    return head + hint.substr(0, room) + TempSuffix;
}

// The process id in one of our temporary names; 0 when name is not one.
static long TempOwner(const std::string& name)
{
    constexpr size_t prefix = sizeof TempPrefix - 1, suffix = sizeof TempSuffix - 1;
    if (name.size() <= prefix + suffix || name.compare(0, prefix, TempPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, TempSuffix) != 0)
        return 0;
    long pid = 0;
    size_t i = prefix;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 1L << 30; ++i)
        pid = pid * 10 + (name[i] - '0');
    return i > prefix && name[i] == '-' ? pid : 0;
}

// Removes the temporaries (files, and staging folders with their files) that captures which are
// no longer running left in folder.
static void RemoveStaleTemporaries(const std::string& folder)
{
    std::error_code ec;
    std::vector<fs::path> stale;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
        const long owner = TempOwner(entry.path().filename().string());
        if (owner > 0 && owner != ProcessId() && !CaptureProcessRuns(owner))
            stale.push_back(entry.path());
    }
    for (const fs::path& path : stale)
        fs::remove_all(path, ec);
}

bool OpenPending(PendingFile* f, const std::string& path, std::string* error)
{
    *f = PendingFile{path, "", "", nullptr, false};
    if (NameOf(path).empty()) {
        *error = "cannot write " + path + ": it names a folder, not a file";
        return false;
    }
    if (!ResolveTarget(path, &f->target, error))
        return false;
    std::error_code ec;
    const fs::file_status status = fs::status(f->target, ec);
    if (fs::is_directory(status)) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        if (!fs::is_character_file(status) && !fs::is_block_file(status) && !fs::is_fifo(status)) {
            *error = "cannot write " + path + ": it is no file, device or named pipe";
            return false;
        }
        // Streamed: a named pipe waits here for its reader.
        f->streaming = true;
        f->file = OpenStream(f->target);
    } else {
        const std::string folder = FolderOf(f->target);
        RemoveStaleTemporaries(folder);
        f->temp = folder + TempName(NameOf(f->target));
        f->file = CreateNewFile(f->temp);
    }
    if (f->file == nullptr) {
        *error = Failure(path, errno);
        f->temp.clear();
        return false;
    }
    return true;
}

bool OpenScratch(PendingFile* f, const std::string& beside, const char* hint, std::string* error)
{
    *f = PendingFile{beside, "", FolderOf(beside) + TempName(NameOf(beside) + hint), nullptr, false};
    f->file = CreateNewFile(f->temp);
    if (f->file != nullptr)
        return true;
    *error = Failure(f->temp, errno);
    f->temp.clear();
    return false;
}

bool WritePending(PendingFile* f, const void* data, size_t bytes, std::string* error)
{
    if (bytes == 0 || std::fwrite(data, 1, bytes, f->file) == bytes)
        return true;
    *error = Failure(f->path, errno);
    return false;
}

bool FinishWriting(PendingFile* f, std::string* error)
{
    if (f->file == nullptr)
        return true;
    const bool flushed = std::fflush(f->file) == 0;
    const int err = errno;
    const bool closed = std::fclose(f->file) == 0;
    f->file = nullptr;
    if (flushed && closed)
        return true;
    *error = Failure(f->path, flushed ? errno : err);
    return false;
}

bool CommitFile(PendingFile* f, std::string* error)
{
    if (!FinishWriting(f, error))
        return false;
    if (f->temp.empty())
        return true;
    if (!MoveIntoPlace(f->temp, f->target)) {
        *error = Failure(f->path, errno);
        return false;
    }
    f->temp.clear();
    return true;
}

void DiscardFile(PendingFile* f)
{
    if (f->file != nullptr)
        std::fclose(f->file);
    f->file = nullptr;
    if (!f->temp.empty())
        std::remove(f->temp.c_str());
    f->temp.clear();
}

bool WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error)
{
    PendingFile f;
    if (!OpenPending(&f, path, error))
        return false;
    if (WritePending(&f, bytes.data(), bytes.size(), error) && CommitFile(&f, error))
        return true;
    DiscardFile(&f);
    return false;
}

bool IsFrameFile(const FrameFiles& kind, const std::string& name)
{
    if (kind.index != nullptr && name == kind.index)
        return true;
    size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    return digits >= 6 && name.compare(digits, std::string::npos, std::string(".") + kind.extension) == 0;
}

bool OpenFolder(OutputFolder* folder, const std::string& path, FrameFiles kind, bool replace, std::string* error)
{
    *folder = OutputFolder{path, "", kind, false, {}, {}};
    if (MakeFolder(path)) {
        folder->made = true;
    } else if (errno != EEXIST) {
        *error = Failure(path, errno);
        return false;
    }
    if (!IsFolder(path)) {
        *error = "cannot write into " + path + ": it is not a folder";
        return false;
    }
    const std::string prefix = path.back() == '/' ? path : path + "/";
    RemoveStaleTemporaries(prefix);
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, ec))
        if (IsFrameFile(kind, entry.path().filename().string()))
            folder->earlier.push_back(entry.path().filename().string());
    if (!folder->earlier.empty() && !replace) {
        *error = path + " holds " + std::to_string(folder->earlier.size()) +
                 " files of an earlier capture; give --replace to replace them, or name another folder";
        DiscardFolder(folder);
        return false;
    }
    folder->staging = prefix + TempName(kind.extension);
    if (!MakeFolder(folder->staging)) {
        *error = "cannot write into " + path + ": " + std::strerror(errno);
        folder->staging.clear();
        DiscardFolder(folder);
        return false;
    }
    return true;
}

bool WriteFolderFile(OutputFolder* folder, const std::string& name, std::span<const uint8_t> bytes, std::string* error)
{
    const std::string path = folder->staging + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        *error = Failure(path, errno);
        return false;
    }
    folder->files.push_back(name);
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int err = errno;
    if (std::fclose(file) != 0 || !written) {
        *error = Failure(path, written ? errno : err);
        return false;
    }
    return true;
}

bool CommitFolder(OutputFolder* folder, std::string* error)
{
    const std::string prefix = folder->path.back() == '/' ? folder->path : folder->path + "/";
    for (const std::string& name : folder->files) {
        if (!MoveIntoPlace(folder->staging + "/" + name, prefix + name)) {
            *error = Failure(prefix + name, errno);
            return false;
        }
    }
    const std::set<std::string> written(folder->files.begin(), folder->files.end());
    for (const std::string& name : folder->earlier)
        if (written.count(name) == 0)
            std::remove((prefix + name).c_str());
    std::error_code ec;
    fs::remove(folder->staging, ec);
    *folder = OutputFolder{folder->path, "", folder->kind, false, {}, {}};
    return true;
}

void DiscardFolder(OutputFolder* folder)
{
    for (const std::string& name : folder->files)
        std::remove((folder->staging + "/" + name).c_str());
    folder->files.clear();
    std::error_code ec;
    if (!folder->staging.empty())
        fs::remove(folder->staging, ec);
    folder->staging.clear();
    if (folder->made)
        fs::remove(folder->path, ec);
    folder->made = false;
}

std::string FrameFileName(uint32_t frame, const char* extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "%06u.%s", frame, extension);
    return name;
}

// Stores value as `bytes` little-endian bytes at out[at].
static void Put(std::vector<uint8_t>* out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i, value >>= 8)
        (*out)[at + size_t(i)] = static_cast<uint8_t>(value & 0xFF);
}

static void PutTag(std::vector<uint8_t>* out, size_t at, const char tag[4])
{
    std::memcpy(out->data() + at, tag, 4);
}

std::vector<uint8_t> WavHeader(uint32_t frames, uint32_t rate)
{
    constexpr uint32_t Channels = 2, BytesPerSample = 2;
    const uint32_t dataBytes = frames * Channels * BytesPerSample;
    std::vector<uint8_t> h(44);
    PutTag(&h, 0, "RIFF");
    Put(&h, 4, 36 + dataBytes, 4);
    PutTag(&h, 8, "WAVE");
    PutTag(&h, 12, "fmt ");
    Put(&h, 16, 16, 4);                                // size of the format chunk
    Put(&h, 20, 1, 2);                                 // integer PCM
    Put(&h, 22, Channels, 2);
    Put(&h, 24, rate, 4);
    Put(&h, 28, rate * Channels * BytesPerSample, 4);  // bytes a second
    Put(&h, 32, Channels * BytesPerSample, 2);         // bytes a sample pair
    Put(&h, 34, BytesPerSample * 8, 2);                // bits a sample
    PutTag(&h, 36, "data");
    Put(&h, 40, dataBytes, 4);
    return h;
}

// Appends a PNG chunk: its length, type and data, and the CRC of type and data.
static void PutChunk(std::vector<uint8_t>* png, const char* type, const uint8_t* data, size_t bytes)
{
    const size_t at = png->size();
    png->resize(at + 12 + bytes);
    uint8_t* p = png->data() + at;
    const auto put32 = [](uint8_t* to, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            to[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    };
    put32(p, static_cast<uint32_t>(bytes));
    std::memcpy(p + 4, type, 4);
    if (bytes > 0)
        std::memcpy(p + 8, data, bytes);
    put32(p + 8 + bytes, static_cast<uint32_t>(crc32(0, p + 4, static_cast<uInt>(4 + bytes))));
}

std::vector<uint8_t> EncodePng(const uint8_t* rgb, int width, int height)
{
    // Every row unfiltered: the show's flat colours compress better so than with any PNG filter,
    // and deflate level 3 is five times as fast as the best compression for a fifth more bytes.
    const size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> rows((rowBytes + 1) * size_t(height));
    for (size_t y = 0; y < size_t(height); ++y) {
        rows[y * (rowBytes + 1)] = 0;
        std::memcpy(&rows[y * (rowBytes + 1) + 1], rgb + y * rowBytes, rowBytes);
    }
    std::vector<uint8_t> packed(compressBound(static_cast<uLong>(rows.size())));
    uLongf packedBytes = static_cast<uLongf>(packed.size());
    if (compress2(packed.data(), &packedBytes, rows.data(), static_cast<uLong>(rows.size()), 3) != Z_OK)
        return {};
    const uint8_t header[13] = {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                                uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height),
                                8, 2, 0, 0, 0};  // 8 bits a channel, RGB, deflate, no filter method, no interlace
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.reserve(8 + 3 * 12 + sizeof header + packedBytes);
    PutChunk(&png, "IHDR", header, sizeof header);
    PutChunk(&png, "IDAT", packed.data(), packedBytes);
    PutChunk(&png, "IEND", nullptr, 0);
    return png;
}
