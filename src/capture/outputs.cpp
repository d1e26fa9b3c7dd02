#include "capture/outputs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/wav.h"
#include "offline/landscape.h"
#include "sound/music.h"

static const char* Extension(const FolderOutput& f) { return f.png ? "png" : "rgb565"; }

static std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.find_last_of(PathSeparators) == path.size() - 1)
        path.pop_back();
    return path;
}

// ---- Opening ----------------------------------------------------------------------------------

static bool ResolveFile(FileOutput* f, const char* option, const std::string& path, std::string* error)
{
    f->option = option;
    return ResolveFileTarget(f, path, error);
}

static bool ResolveFolder(FolderOutput* f, const char* option, const std::string& path, bool png, std::string* error)
{
    f->option = option;
    f->path = WithoutTrailingSlashes(path);
    f->png = png;
    return ResolveFolderTarget(f->path, &f->dir, &f->key, error);
}

// Two outputs that would write one file or folder, however their paths are spelled, and a file
// output that is one of a folder output's own files.
static bool CheckDistinct(const Outputs* out, std::string* error)
{
    struct Named {
        const char* option;
        const std::string* path;
        const std::string* key;
        bool folder;
    };
    std::vector<Named> all;
    for (const FileOutput* f : {&out->video, &out->wav})
        if (f->option != nullptr)
            all.push_back({f->option, &f->path, &f->key, false});
    for (const FolderOutput* f : {&out->png, &out->raw})
        if (f->option != nullptr)
            all.push_back({f->option, &f->path, &f->key, true});
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (!all[i].key->empty() && *all[i].key == *all[j].key) {
                *error = std::string(all[i].option) + " " + *all[i].path + " and " + all[j].option + " " +
                         *all[j].path + " name the same " + (all[i].folder && all[j].folder ? "folder" : "file");
                return false;
            }
        }
    }
    for (const FileOutput* f : {&out->video, &out->wav}) {
        for (const FolderOutput* d : {&out->png, &out->raw}) {
            uint32_t frame = 0;
            const std::string name = NameOf(f->target);
            if (f->option == nullptr || d->option == nullptr || f->stream.fd >= 0 ||
                (name != RecordName && !FrameOfName(name, Extension(*d), &frame)))
                continue;
            const std::string folder = WithoutTrailingSlashes(FolderOf(f->target));
            if (FileKey(folder.empty() ? "." : folder) == d->key && !d->key.empty()) {
                *error = std::string(f->option) + " " + f->path + " is one of the files " + d->option + " writes";
                return false;
            }
        }
    }
    return true;
}

static bool OpenFolder(FolderOutput* f, bool replace, std::string* error)
{
    if (!OpenPendingFolder(&f->folder, f->path, f->dir, error) ||
        !ReadRecord(f->folder.folder, f->folder.present, f->png, f->path, &f->earlier, error))
        return false;
    if (!f->earlier.empty() && !replace) {
        *error = f->path + " holds " + std::to_string(f->earlier.size()) +
                 " files of an earlier capture; give --replace to replace them, or name another folder";
        return false;
    }
    return true;
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
        if (f->option != nullptr && !OpenFileTarget(f, error))
            return false;
    return out->video.option == nullptr ||
           OpenVideoSound(&out->videoSound, FolderOf(out->video.target), out->video.stream.fd >= 0, error);
}

// ---- Writing ----------------------------------------------------------------------------------

// A name in the folder that this run would write, and that anything but an earlier capture's
// file holds, is refused now: the commit could only fail on it or destroy it.
static bool CheckFrameNames(const Outputs* out, const FolderOutput* f, const Stretch& stretch, std::string* error)
{
    for (const std::string& name : f->folder.present) {
        uint32_t frame = 0;
        const bool ours = name == RecordName || (FrameOfName(name, Extension(*f), &frame) && frame >= stretch.first &&
                                                 frame <= stretch.last && (f->png || WantsRaw(out, frame)));
        if (!ours)
            continue;
        const FileKind kind = KindAt(f->folder.folder, name);
        if (kind == FileKind::Folder) {
            *error = "cannot write " + f->path + "/" + name + ": it is a folder";
            return false;
        }
        if (std::find(f->earlier.begin(), f->earlier.end(), name) == f->earlier.end() || kind != FileKind::File) {
            *error = "cannot write " + f->path + "/" + name + ": no capture wrote it; move it or name another folder";
            return false;
        }
    }
    return true;
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
        f->record = RecordHeader(f->png);
    }
    if (out->wav.option != nullptr && out->wav.stream.fd < 0) {
        const std::vector<uint8_t> header = WavHeader(WavSamples::Int16, 2, MusicRate, uint32_t(sound.size() / 2));
        if (!WritePending(&out->wav.file, header.data(), header.size(), error) ||
            !WritePending(&out->wav.file, sound.data(), sound.size_bytes(), error))
            return false;
    }
    return out->video.option == nullptr ||
           StartVideo(&out->encoder, &out->videoSound, out->ffmpeg, out->video, out->container, out->scale,
                      out->fps, sound, error);
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

bool WriteFrame(Outputs* out, const FrameRecord& r, std::span<const uint8_t> raw, std::span<const uint8_t> png,
                const uint8_t* picture, std::string* error)
{
    if (out->raw.option != nullptr) {
        AddRecordLine(&out->raw.record, r, false, !raw.empty());
        if (!raw.empty() && !WritePendingFolderFile(&out->raw.folder, FrameFileName(r.frame, "rgb565"), raw, error))
            return false;
    }
    if (out->png.option != nullptr) {
        AddRecordLine(&out->png.record, r, true, true);
        if (!WritePendingFolderFile(&out->png.folder, FrameFileName(r.frame, "png"), png, error))
            return false;
    }
    return out->video.option == nullptr || r.frame >= out->videoEnd ||
           EncodePicture(&out->encoder, picture, out->scale, &out->videoFrame, error);
}

// ---- Committing -------------------------------------------------------------------------------

static void Committed(Outputs* out, const std::string& path)
{
    out->committed += (out->committed.empty() ? "" : ", ") + path;
}

// True when a signal has come: the commit stops before its next step, saying so in *error.
static bool StopRequested(std::string* error)
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
        const std::span<const uint8_t> record(reinterpret_cast<const uint8_t*>(f->record.data()), f->record.size());
        if (!WritePendingFolderFile(&f->folder, RecordName, record, error) ||
            !CheckPendingFolder(&f->folder, f->earlier, error))
            return false;
    }
    for (FileOutput* f : {&out->video, &out->wav})
        if (f->option != nullptr && f->stream.fd < 0 && !CheckPending(&f->file, error))
            return false;
    // Streams first: their reader may still refuse the bytes, and then nothing else is committed.
    if (out->wav.option != nullptr && out->wav.stream.fd >= 0) {
        if (StopRequested(error))
            return false;
        if (!WriteStereoWav(out->wav.stream.fd, out->sound, MusicRate)) {
            *error = WriteFailure(out->wav.path, errno);
            return false;
        }
        Committed(out, out->wav.path);
    }
    for (FileOutput* f : {&out->video, &out->wav}) {
        if (f->option == nullptr || f->stream.fd >= 0)
            continue;
        if (StopRequested(error) || !CommitPending(&f->file, error))
            return false;
        Committed(out, f->path);
    }
    for (FolderOutput* f : {&out->png, &out->raw}) {
        bool oneStep = false;
        if (f->option == nullptr)
            continue;
        if (StopRequested(error) || !CommitPendingFolder(&f->folder, f->earlier, RecordName, &oneStep, error))
            return false;
        Committed(out, f->path);
        if (!oneStep)
            out->notes += std::string(f->option) + " " + f->path +
                          ": its files went in one by one (this folder and its old one cannot be exchanged in one step)\n";
    }
    return true;
}

void DiscardOutputs(Outputs* out)
{
    StopEncoder(&out->encoder);
    CloseVideoSound(&out->videoSound);
    for (FileOutput* f : {&out->video, &out->wav}) {
        DiscardPending(&f->file);
        if (!CloseDescriptor(&f->stream)) {
        }  // not committed: what the stream took is its reader's
    }
    for (FolderOutput* f : {&out->png, &out->raw})
        DiscardPendingFolder(&f->folder);
}
