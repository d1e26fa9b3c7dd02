// The video file, made by ffmpeg (Debian package ffmpeg) in a child process: raw RGB frames go
// down a pipe, the audio comes from a finished WAV file. A signal that sets StopSignal
// (files/file_system.h) ends every wait here. Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "files/files.h"

struct EncoderSettings {
    std::string ffmpeg;     // the program to run
    std::string output;     // the file ffmpeg writes (a pending file's temporary), unless outputFd is set
    std::string container;  // "mkv": lossless H.264 (RGB) + FLAC; "mp4": H.264 crf 12 (4:2:0) + AAC
    std::string audio;      // a 16-bit stereo WAV as long as the video, unless audioFd is set
    int width, height;      // of each RGB frame sent
    uint32_t fps;
    int outputFd = -1;      // when set, ffmpeg writes its standard output, this open descriptor
    int audioFd = -1;       // when set, ffmpeg reads the WAV from this open descriptor, at its start
};

struct Encoder {
    intptr_t pid = 0;  // the running ffmpeg (process id, or handle on Windows), 0 when none
    int pipe = -1;     // the write end of its standard input, -1 when closed
};

// Where a program of that name is found on PATH (name.exe on Windows, looked for beside this
// program first); empty when it is not.
std::string FindOnPath(const std::string& name);
// Why -o cannot run without ffmpeg and where this system's users get it.
extern const char* const EncoderMissingText;
// ffmpeg's arguments (program name first) for the settings.
std::vector<std::string> EncoderArguments(const EncoderSettings& settings);
// Starts ffmpeg; false with the reason when it cannot be started. The process code is in
// encoder_posix.cpp and encoder_win32.cpp.
[[nodiscard]] bool StartEncoder(Encoder* e, const EncoderSettings& settings, std::string* error);
// Sends one frame of width * height * 3 bytes; false when ffmpeg stopped taking them, or when a
// signal came.
[[nodiscard]] bool EncodeFrame(Encoder* e, const uint8_t* rgb, size_t bytes, std::string* error);
// Enlarges a landscape picture by scale into *buffer (one for the whole run: it may be large, and
// ffmpeg takes longer to encode it than this takes to make it) and sends it; a failure names
// ffmpeg's status when it ended.
[[nodiscard]] bool EncodePicture(Encoder* e, const uint8_t* picture, int scale, std::vector<uint8_t>* buffer,
                                 std::string* error);
// Ends the input and waits; false unless ffmpeg exits with status 0. A signal that comes
// meanwhile stops ffmpeg as StopEncoder does and gives false.
[[nodiscard]] bool FinishEncoder(Encoder* e, std::string* error);
// Stops ffmpeg and waits for it: asked to end, then killed after a short grace (at once on
// Windows); safe when none runs.
void StopEncoder(Encoder* e);

// The video's sound: a 16-bit stereo WAV of the stretch that nobody else sees, beside the video,
// or in the system's temporary folder (TMPDIR or /tmp, the user's on Windows) when it streams.
struct VideoSound {
    Descriptor file;
    std::string name;  // its name where it must have one (Windows); removed by CloseVideoSound
};
[[nodiscard]] bool OpenVideoSound(VideoSound* s, const std::string& videoFolder, bool streamed, std::string* error);
void CloseVideoSound(VideoSound* s);
// Writes the sound (samples interleaved from the first frame on) and starts ffmpeg on it, writing
// the video of landscape pictures enlarged by scale, in container ("mkv" or "mp4"): into its
// pending file, or its stream.
[[nodiscard]] bool StartVideo(Encoder* e, VideoSound* s, const std::string& ffmpeg, const FileTarget& video,
                              const std::string& container, int scale, uint32_t fps, std::span<const int16_t> sound, std::string* error);
