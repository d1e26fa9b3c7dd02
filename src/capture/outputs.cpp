#include "capture/outputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <utility>

#include "files/file_system.h"
#include "files/wav.h"
#include "offline/landscape.h"
#include "sound/music.h"

namespace fs = std::filesystem;

static constexpr char IndexName[] = "frames.csv";
static constexpr char PngHeader[] = "frame,order,row,millis\n";
static constexpr char RawHeader[] = "frame,order,row,millis,written\n";

static const char* Extension(const FolderOutput& f) { return f.png ? "png" : "rgb565"; }

std::string FrameFileName(uint32_t frame, const char* extension)
{
    char name[32];
    std::snprintf(name, sizeof name, "%06u.%s", frame, extension);
    return name;
}

// The frame a name of ours stands for; false when it is no frame file of that extension.
static bool FrameOfName(const std::string& name, const char* extension, uint32_t* frame)
{
    const size_t digits = name.find_first_not_of("0123456789");
    if (digits < 6 || digits > 9 || digits == std::string::npos)
        return false;
    *frame = static_cast<uint32_t>(std::stoul(name.substr(0, digits)));
    return name == FrameFileName(*frame, extension);
}

static bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// ---- Opening ----------------------------------------------------------------------------------

static bool ResolveFile(FileOutput* f, const char* option, const std::string& path, std::string* error)
{
    f->option = option;
    f->path = path;
    int named = -1;
    if (!ResolveTarget(path, &f->target, &named, error))
        return false;
    if (named >= 0) {
        f->stream = DuplicateDescriptor(named);
        if (f->stream < 0) {
            *error = "cannot write " + path + ": descriptor " + std::to_string(named) + " is not open";
            return false;
        }
        f->key = DescriptorKey(f->stream);
        return true;
    }
    if (NameOf(f->target).empty() || KindOf(f->target) == FileKind::Folder) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    f->key = FileKey(f->target);
    return true;
}

static bool ResolveFolder(FolderOutput* f, const char* option, const std::string& path, bool png, std::string* error)
{
    f->option = option;
    f->path = path;
    f->png = png;
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    int named = -1;
    if (!ResolveTarget(dir, &f->dir, &named, error))
        return false;
    const FileKind kind = KindOf(f->dir);
    if (named >= 0 || (kind != FileKind::Folder && kind != FileKind::Missing)) {
        *error = "cannot write into " + path + ": it is not a folder";
        return false;
    }
    f->key = FileKey(f->dir);
    return true;
}

// Two outputs that would write one file or folder, however their paths are spelled, and a file
// output that is one of a folder output's own files.
static bool CheckDistinct(const Outputs* out, std::string* error)
{
    struct Named {
        const char* option;
        const std::string* path;
        const std::string* key;
    };
    std::vector<Named> all;
    for (const FileOutput* f : {&out->video, &out->wav})
        if (f->option != nullptr)
            all.push_back({f->option, &f->path, &f->key});
    for (const FolderOutput* f : {&out->png, &out->raw})
        if (f->option != nullptr)
            all.push_back({f->option, &f->path, &f->key});
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (!all[i].key->empty() && *all[i].key == *all[j].key) {
                *error = std::string(all[i].option) + " " + *all[i].path + " and " + all[j].option + " " +
                         *all[j].path + " name the same file";
                return false;
            }
        }
    }
    for (const FileOutput* f : {&out->video, &out->wav}) {
        for (const FolderOutput* d : {&out->png, &out->raw}) {
            uint32_t frame = 0;
            const std::string name = NameOf(f->target);
            if (f->option == nullptr || d->option == nullptr || f->stream >= 0 ||
                (name != IndexName && !FrameOfName(name, Extension(*d), &frame)))
                continue;
            std::string folder = FolderOf(f->target);
            while (folder.size() > 1 && folder.back() == '/')
                folder.pop_back();
            if (FileKey(folder.empty() ? "." : folder) == d->key && !d->key.empty()) {
                *error = std::string(f->option) + " " + f->path + " is one of the files " + d->option + " writes";
                return false;
            }
        }
    }
    return true;
}

// The names an earlier capture's frames.csv in the folder records as written, itself included.
static bool ReadEarlier(FolderOutput* f, std::string* error)
{
    if (!Contains(f->present, IndexName))
        return true;
    const std::string path = f->dir + "/" + IndexName;
    std::FILE* file = KindOf(path) == FileKind::File ? std::fopen(path.c_str(), "rb") : nullptr;
    char line[128];
    const char* header = f->png ? PngHeader : RawHeader;
    if (file == nullptr || std::fgets(line, sizeof line, file) == nullptr || std::strcmp(line, header) != 0) {
        if (file != nullptr)
            std::fclose(file);
        *error = f->path + "/" + IndexName + " is not the record of a " + f->option +
                 " capture, and this capture would replace it; move it or name another folder";
        return false;
    }
    f->earlier.push_back(IndexName);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        const std::string text = line;
        const size_t comma = text.find(',');
        uint32_t frame = 0;
        if (comma == std::string::npos || comma > 9 || text.find_first_not_of("0123456789") != comma)
            continue;
        frame = static_cast<uint32_t>(std::stoul(text.substr(0, comma)));
        const bool written = f->png || text.ends_with(",1\n") || text.ends_with(",1");
        const std::string name = FrameFileName(frame, Extension(*f));
        if (written && Contains(f->present, name))
            f->earlier.push_back(name);
    }
    std::fclose(file);
    return true;
}

static bool OpenFolder(FolderOutput* f, bool replace, std::string* error)
{
    if (KindOf(f->dir) == FileKind::Missing) {
        if (!MakeFolder(f->dir)) {
            *error = "cannot make the folder " + f->path + ": " + std::strerror(errno);
            return false;
        }
        f->made = true;
    }
    if (!HoldFolder(f->dir, &f->held)) {
        *error = errno == EBUSY ? f->path + " is being written by another capture; wait for it or name another folder"
                                : "cannot read the folder " + f->path + " to see what it holds: " + std::strerror(errno);
        return false;
    }
    const std::string inside = f->dir + "/";
    const std::string name = NameOf(f->dir), parent = FolderOf(f->dir);
    const bool hasParent = !name.empty() && name != "." && name != "..";
    RemoveStaleTemporaries(inside);
    if (hasParent)
        RemoveStaleTemporaries(parent);
    std::error_code ec;
    for (fs::directory_iterator it(f->dir, ec), end; !ec && it != end; it.increment(ec))
        f->present.push_back(it->path().filename().string());
    if (ec) {
        *error = "cannot read the folder " + f->path + " to see what it holds: " + ec.message();
        return false;
    }
    if (!ReadEarlier(f, error))
        return false;
    if (!f->earlier.empty() && !replace) {
        *error = f->path + " holds " + std::to_string(f->earlier.size()) +
                 " files of an earlier capture; give --replace to replace them, or name another folder";
        return false;
    }
    // Beside the folder, so that the commit can swap the two; inside it where its parent is closed.
    std::string ignored;
    f->beside = hasParent && MakeTemporaryFolder(parent, name, &f->staging, &f->stagingHeld, &ignored);
    return f->beside || MakeTemporaryFolder(inside, Extension(*f), &f->staging, &f->stagingHeld, error);
}

static bool OpenFile(FileOutput* f, std::string* error)
{
    if (f->stream >= 0)
        return true;
    const FileKind kind = KindOf(f->target);
    if (kind == FileKind::Device || kind == FileKind::Pipe) {
        // Written straight; a named pipe waits here for its reader.
        f->stream = OpenStream(f->target);
        if (f->stream < 0)
            *error = WriteFailure(f->path, errno);
        return f->stream >= 0;
    }
    return OpenPending(&f->file, f->path, f->target, error);
}

bool OpenOutputs(const CaptureOptions& o, Outputs* out, std::string* error)
{
    out->rawEvery = o.rawEvery;
    out->fps = o.fps;
    out->scale = o.scale;
    out->container = o.videoContainer;
    if (!o.video.empty()) {
        out->ffmpeg = FindOnPath("ffmpeg");
        if (out->ffmpeg.empty()) {
            *error = EncoderMissingText;
            return false;
        }
    }
    if ((!o.video.empty() && !ResolveFile(&out->video, "-o", o.video, error)) ||
        (!o.wavFile.empty() && !ResolveFile(&out->wav, "--wav", o.wavFile, error)) ||
        (!o.pngDir.empty() && !ResolveFolder(&out->png, "--png", o.pngDir, true, error)) ||
        (!o.rawDir.empty() && !ResolveFolder(&out->raw, "--raw", o.rawDir, false, error)) || !CheckDistinct(out, error))
        return false;
    for (FolderOutput* f : {&out->png, &out->raw})
        if (f->option != nullptr && !OpenFolder(f, o.replace, error))
            return false;
    for (FileOutput* f : {&out->video, &out->wav})
        if (f->option != nullptr && !OpenFile(f, error))
            return false;
    if (out->video.option == nullptr)
        return true;
    // The video's sound: beside the video, or in the temporary folder when the video streams.
    std::string folder = FolderOf(out->video.target);
    if (out->video.stream >= 0) {
        std::error_code failed;  // TMPDIR or /tmp here, the user's temporary folder on Windows
        folder = std::filesystem::temp_directory_path(failed).string();
        if (failed) {
            *error = "cannot write the video's sound: no temporary folder (" + failed.message() + ")";
            return false;
        }
        if (folder.find_last_of(PathSeparators) != folder.size() - 1)
            folder += '/';
    }
    out->soundFd = CreateHiddenFile(folder, "sound.wav", &out->soundName);
    if (out->soundFd < 0)
        *error = "cannot write the video's sound in " + (folder.empty() ? std::string(".") : folder) + ": " +
                 std::strerror(errno);
    return out->soundFd >= 0;
}

// ---- Writing ----------------------------------------------------------------------------------

// A name in the folder that this run would write, and that anything but an earlier capture's
// file holds, is refused now: the commit could only fail on it or destroy it.
static bool CheckFrameNames(const Outputs* out, const FolderOutput* f, const Stretch& stretch, std::string* error)
{
    for (const std::string& name : f->present) {
        uint32_t frame = 0;
        const bool ours = name == IndexName || (FrameOfName(name, Extension(*f), &frame) && frame >= stretch.first &&
                                                frame <= stretch.last && (f->png || WantsRaw(out, frame)));
        if (!ours)
            continue;
        const FileKind kind = KindOf(f->dir + "/" + name);
        if (kind == FileKind::Folder) {
            *error = "cannot write " + f->path + "/" + name + ": it is a folder";
            return false;
        }
        if (!Contains(f->earlier, name) || kind != FileKind::File) {
            *error = "cannot write " + f->path + "/" + name + ": no capture wrote it; move it or name another folder";
            return false;
        }
    }
    return true;
}

static std::vector<uint8_t> SoundHeader(size_t samples)
{
    return WavHeader(WavSamples::Int16, 2, MusicRate, static_cast<uint32_t>(samples / 2));
}

static bool WriteSound(int fd, std::span<const int16_t> sound)
{
    const std::vector<uint8_t> header = SoundHeader(sound.size());
    return WriteAll(fd, header.data(), header.size()) && WriteAll(fd, sound.data(), sound.size_bytes());
}

bool StartOutputs(Outputs* out, const Stretch& stretch, std::span<const int16_t> sound, std::string* error)
{
    out->first = stretch.first;
    out->videoEnd = stretch.videoEnd;
    out->sound = sound;
    for (FolderOutput* f : {&out->png, &out->raw}) {
        if (f->option == nullptr)
            continue;
        if (!CheckFrameNames(out, f, stretch, error))
            return false;
        f->index = f->png ? PngHeader : RawHeader;
    }
    if (out->wav.option != nullptr && out->wav.stream < 0) {
        const std::vector<uint8_t> header = SoundHeader(sound.size());
        if (!WritePending(&out->wav.file, header.data(), header.size(), error) ||
            !WritePending(&out->wav.file, sound.data(), sound.size_bytes(), error))
            return false;
    }
    if (out->video.option == nullptr)
        return true;
    if (!WriteSound(out->soundFd, sound) || !RewindFile(out->soundFd)) {
        *error = "cannot write the video's sound: " + std::string(std::strerror(errno));
        return false;
    }
    EncoderSettings settings = {out->ffmpeg, out->video.file.temp, out->container, out->soundName,
                                LandscapeWidth * out->scale, LandscapeHeight * out->scale, out->fps};
    settings.outputFd = out->video.stream;
    settings.audioFd = out->soundName.empty() ? out->soundFd : -1;
    return StartEncoder(&out->encoder, settings, error);
}

bool WantsRaw(const Outputs* out, uint32_t frame)
{
    return out->raw.option != nullptr && (frame % out->rawEvery == 0 || frame == out->first);
}

bool WantsPng(const Outputs* out) { return out->png.option != nullptr; }

bool WantsPicture(const Outputs* out, uint32_t frame)
{
    return out->png.option != nullptr || (out->video.option != nullptr && frame < out->videoEnd);
}

static bool WriteFolderFile(FolderOutput* f, const std::string& name, std::span<const uint8_t> bytes,
                            std::string* error)
{
    const std::string path = f->staging + "/" + name;
    const int fd = CreateNewFile(path);
    if (fd >= 0)
        f->written.push_back(name);
    const bool written = fd >= 0 && WriteAll(fd, bytes.data(), bytes.size());
    const int err = errno;
    if (fd >= 0 && CloseFile(fd) && written)
        return true;
    *error = WriteFailure(f->path + "/" + name, written ? errno : err);
    return false;
}

bool WriteFrame(Outputs* out, const FrameRecord& r, std::span<const uint8_t> raw, std::span<const uint8_t> png,
                const uint8_t* picture, std::string* error)
{
    const std::string record = std::to_string(r.frame) + "," + std::to_string(r.order) + "," + std::to_string(r.row) +
                               "," + std::to_string(r.millis);
    if (out->raw.option != nullptr) {
        out->raw.index += record + (raw.empty() ? ",0\n" : ",1\n");
        if (!raw.empty() && !WriteFolderFile(&out->raw, FrameFileName(r.frame, "rgb565"), raw, error))
            return false;
    }
    if (out->png.option != nullptr) {
        out->png.index += record + "\n";
        if (!WriteFolderFile(&out->png, FrameFileName(r.frame, "png"), png, error))
            return false;
    }
    if (out->video.option == nullptr || r.frame >= out->videoEnd)
        return true;
    // Enlarged here, into one buffer for the whole run: it may be large, and ffmpeg takes longer
    // to encode it than this takes to make it.
    out->videoFrame.resize(LandscapeBytes(out->scale));
    ScalePicture(picture, out->scale, out->videoFrame.data());
    if (EncodeFrame(&out->encoder, out->videoFrame.data(), out->videoFrame.size(), error))
        return true;
    std::string status;
    if (StopSignal == 0 && !FinishEncoder(&out->encoder, &status))
        *error += ": " + status;
    return false;
}

// ---- Committing -------------------------------------------------------------------------------

// The folder can still take the run's files: it is there, and no name the run wrote has been
// taken since it was opened by anything but an earlier capture's file.
static bool CheckFolder(const FolderOutput* f, std::string* error)
{
    std::error_code ec;
    for (fs::directory_iterator it(f->dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (Contains(f->written, name) && !Contains(f->earlier, name)) {
            *error = "cannot write " + f->path + "/" + name + ": something took that name during the capture";
            return false;
        }
    }
    if (ec)
        *error = "cannot write into " + f->path + ": " + ec.message();
    return !ec;
}

static void RemoveStaging(FolderOutput* f)
{
    ReleaseFolder(&f->stagingHeld);
    std::error_code ec;
    if (!f->staging.empty())
        fs::remove_all(f->staging, ec);
    f->staging.clear();
}

// Swaps the staged folder, completed with second names of the files the folder keeps, for the
// folder in one step; then clears the old folder out of the way. False when the file system
// cannot, with everything as it was.
static bool ExchangeFolder(FolderOutput* f)
{
    std::vector<std::string> kept;
    const auto undo = [&] {
        for (const std::string& name : kept)
            std::remove((f->staging + "/" + name).c_str());
        return false;
    };
    std::error_code ec;
    for (fs::directory_iterator it(f->dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (Contains(f->earlier, name))
            continue;
        if (it->is_directory(ec) || !LinkFile(f->dir + "/" + name, f->staging + "/" + name))
            return undo();
        kept.push_back(name);
    }
    if (ec)
        return undo();
    KeepFolderModeAndOwner(f->staging, f->dir);
    if (!ExchangeFolders(f->staging, f->dir))
        return undo();
    // The old folder now lies at the staging name: the earlier capture's files and second names
    // of the kept ones go; anything else that came meanwhile goes back.
    for (const std::string& name : f->earlier)
        std::remove((f->staging + "/" + name).c_str());
    for (const std::string& name : kept)
        if (ExistingFileKey(f->staging + "/" + name) == ExistingFileKey(f->dir + "/" + name))
            std::remove((f->staging + "/" + name).c_str());
    for (fs::directory_iterator it(f->staging, ec), end; !ec && it != end; it.increment(ec))
        if (KindOf(f->dir + "/" + it->path().filename().string()) == FileKind::Missing)
            MoveIntoPlace(it->path().string(), f->dir + "/" + it->path().filename().string());
    ReleaseFolder(&f->stagingHeld);
    fs::remove(f->staging, ec);
    f->staging.clear();
    return true;
}

static bool CommitFolder(FolderOutput* f, std::string* error)
{
    if (!(f->beside && ExchangeFolder(f))) {
        // File by file: the index last, so that it never records files not yet in place.
        std::rotate(f->written.begin(), std::find(f->written.begin(), f->written.end(), IndexName),
                    f->written.end());
        for (const std::string& name : f->written) {
            if (!MoveIntoPlace(f->staging + "/" + name, f->dir + "/" + name)) {
                *error = WriteFailure(f->path + "/" + name, errno);
                return false;
            }
        }
        for (const std::string& name : f->earlier)
            if (!Contains(f->written, name))
                std::remove((f->dir + "/" + name).c_str());
        RemoveStaging(f);
    }
    ReleaseFolder(&f->held);
    f->made = false;
    return true;
}

static void Committed(Outputs* out, const std::string& path)
{
    out->committed += (out->committed.empty() ? "" : ", ") + path;
}

static bool Interrupted(std::string* error)
{
    if (StopSignal != 0)
        *error = "interrupted";
    return StopSignal != 0;
}

bool CommitOutputs(Outputs* out, std::string* error)
{
    if (!FinishEncoder(&out->encoder, error))
        return false;
    for (FolderOutput* f : {&out->png, &out->raw}) {
        if (f->option == nullptr)
            continue;
        const std::span<const uint8_t> index(reinterpret_cast<const uint8_t*>(f->index.data()), f->index.size());
        if (!WriteFolderFile(f, IndexName, index, error) || !CheckFolder(f, error))
            return false;
    }
    for (FileOutput* f : {&out->video, &out->wav})
        if (f->option != nullptr && f->stream < 0 && !CheckPending(&f->file, error))
            return false;
    // Streams first: their reader may still refuse the bytes, and then nothing else is committed.
    if (out->wav.option != nullptr && out->wav.stream >= 0) {
        if (Interrupted(error))
            return false;
        if (!WriteSound(out->wav.stream, out->sound)) {
            *error = WriteFailure(out->wav.path, errno);
            return false;
        }
        Committed(out, out->wav.path);
    }
    for (FileOutput* f : {&out->video, &out->wav}) {
        if (f->option == nullptr || f->stream >= 0)
            continue;
        if (Interrupted(error) || !CommitPending(&f->file, error))
            return false;
        Committed(out, f->path);
    }
    for (FolderOutput* f : {&out->png, &out->raw}) {
        if (f->option == nullptr)
            continue;
        if (Interrupted(error) || !CommitFolder(f, error))
            return false;
        Committed(out, f->path);
    }
    return true;
}

void DiscardOutputs(Outputs* out)
{
    StopEncoder(&out->encoder);
    if (out->soundFd >= 0) {
        CloseFile(out->soundFd);
        if (!out->soundName.empty())
            std::remove(out->soundName.c_str());
    }
    out->soundFd = -1;
    for (FileOutput* f : {&out->video, &out->wav}) {
        DiscardPending(&f->file);
        if (f->stream >= 0)
            CloseFile(f->stream);
        f->stream = -1;
    }
    for (FolderOutput* f : {&out->png, &out->raw}) {
        RemoveStaging(f);
        ReleaseFolder(&f->held);
        std::error_code ec;
        if (f->made)
            fs::remove(f->dir, ec);
        f->made = false;
    }
}
