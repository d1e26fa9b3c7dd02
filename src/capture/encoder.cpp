#include "capture/encoder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/file_system.h"
#include "files/wav.h"
#include "offline/landscape.h"
#include "sound/music.h"

std::vector<std::string> EncoderArguments(const EncoderSettings& s)
{
    std::vector<std::string> a = {
        s.ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24",
        "-video_size", std::to_string(s.width) + "x" + std::to_string(s.height),
        "-framerate", std::to_string(s.fps), "-i", "pipe:0",
        "-f", "wav", "-i", s.audioFd >= 0 ? "pipe:3" : "file:" + s.audio,
        "-map", "0:v:0", "-map", "1:a:0",
    };
    if (s.container == "mp4") {
        // 4:2:0 plays everywhere; from scale 2 up each chroma sample covers one buffer pixel.
        a.insert(a.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "12", "-pix_fmt", "yuv420p",
                           "-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                           "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                           "-color_range", "tv",
                           "-c:a", "aac", "-b:a", "256k", "-movflags",
                           // A stream cannot be rewritten to put the index first: fragments instead.
                           s.outputFd >= 0 ? "+frag_keyframe+empty_moov" : "+faststart", "-f", "mp4"});
    } else {
        // Lossless H.264 on the RGB planes themselves: no colour conversion, nothing lost, and
        // several times faster than FFV1 at this size.
        a.insert(a.end(), {"-c:v", "libx264rgb", "-qp", "0", "-preset", "ultrafast", "-pix_fmt", "rgb24",
                           "-c:a", "flac", "-f", "matroska"});
    }
    // No encoder version, date or other metadata that would change the bytes from run to run.
    a.insert(a.end(), {"-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact",
                       "-map_metadata", "-1", "-map_chapters", "-1"});
    // "file:" keeps a name with a colon from being read as a protocol.
    a.push_back(s.outputFd >= 0 ? "pipe:1" : "file:" + s.output);
    return a;
}

bool EncodeFrame(Encoder* e, const uint8_t* rgb, size_t bytes, std::string* error)
{
    if (WriteAll(e->pipe, rgb, bytes))
        return true;
    *error = StopSignal != 0 ? "interrupted" : "ffmpeg stopped taking frames (" + std::string(std::strerror(errno)) + ")";
    return false;
}

bool EncodePicture(Encoder* e, const uint8_t* picture, int scale, std::vector<uint8_t>* buffer, std::string* error)
{
    buffer->resize(LandscapeBytes(scale));
    ScalePicture(picture, scale, buffer->data());
    if (EncodeFrame(e, buffer->data(), buffer->size(), error))
        return true;
    std::string status;
    if (StopSignal == 0 && !FinishEncoder(e, &status))
        *error += ": " + status;
    return false;
}

bool OpenVideoSound(VideoSound* s, const std::string& videoFolder, bool streamed, std::string* error)
{
    std::string folder = videoFolder;
    if (streamed) {
        std::error_code failed;
        folder = std::filesystem::temp_directory_path(failed).string();
        if (failed) {
            *error = "cannot write the video's sound: no temporary folder (" + failed.message() + ")";
            return false;
        }
        if (folder.find_last_of(PathSeparators) != folder.size() - 1)
            folder += '/';
    }
    s->file = Descriptor(CreateHiddenFile(folder, "sound.wav", &s->name));
    if (s->file.fd < 0)
        *error = "cannot write the video's sound in " + (folder.empty() ? std::string(".") : folder) + ": " +
                 std::strerror(errno);
    return s->file.fd >= 0;
}

void CloseVideoSound(VideoSound* s)
{
    if (!CloseDescriptor(&s->file)) {
    }  // read by ffmpeg already, or never: nothing depends on its last bytes now
    if (!s->name.empty() && !RemoveFile(s->name)) {
    }  // gone already
    s->name.clear();
}

bool StartVideo(Encoder* e, VideoSound* s, const std::string& ffmpeg, const FileTarget& video,
                const std::string& container, int scale, uint32_t fps, std::span<const int16_t> sound, std::string* error)
{
    if (!WriteStereoWav(s->file.fd, sound, MusicRate) || !RewindFile(s->file.fd)) {
        *error = "cannot write the video's sound: " + std::string(std::strerror(errno));
        return false;
    }
    EncoderSettings settings = {ffmpeg, video.file.temp, container, s->name,
                                LandscapeWidth * scale, LandscapeHeight * scale, fps};
    settings.outputFd = video.stream.fd;
    settings.audioFd = s->name.empty() ? s->file.fd : -1;
    return StartEncoder(e, settings, error);
}
