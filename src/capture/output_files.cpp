#include "capture/output_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <stb_image_write.h>

#include "capture/system.h"

static std::string Failure(const std::string& path, int err)
{
    return "cannot write " + path + ": " + std::strerror(err);
}

bool OpenPending(PendingFile* f, const std::string& path, std::string* error)
{
    f->path = path;
    f->temp.clear();
    f->file = nullptr;
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        *error = "cannot write " + path + ": it names a folder, not a file";
        return false;
    }
    std::string temp = folder + "." + name + ".XXXXXX";
    f->file = CreateUniqueFile(&temp);
    if (f->file == nullptr) {
        *error = Failure(path, errno);
        return false;
    }
    f->temp = temp;
    return true;
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
    if (!MoveIntoPlace(f->temp, f->path)) {
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

bool OpenFolder(OutputFolder* folder, const std::string& path, std::string* error)
{
    folder->path = path;
    folder->made = false;
    folder->files.clear();
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
    // A probe file proves that files can be made there.
    PendingFile probe;
    if (!OpenPending(&probe, path + "/probe", error)) {
        RemoveFolderFiles(folder);
        return false;
    }
    DiscardFile(&probe);
    return true;
}

bool WriteFolderFile(OutputFolder* folder, const std::string& name, std::span<const uint8_t> bytes, std::string* error)
{
    if (!WriteWholeFile(folder->path + "/" + name, bytes, error))
        return false;
    folder->files.push_back(name);
    return true;
}

void RemoveFolderFiles(OutputFolder* folder)
{
    for (const std::string& name : folder->files)
        std::remove((folder->path + "/" + name).c_str());
    folder->files.clear();
    if (folder->made)
        rmdir(folder->path.c_str());
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

static void Append(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

std::vector<uint8_t> EncodePng(const uint8_t* rgb, int width, int height)
{
    std::vector<uint8_t> png;
    stbi_write_png_to_func(Append, &png, width, height, 3, rgb, width * 3);
    return png;
}
