// The capture's pieces in-process: where frames fall in the music, the stretch a capture takes, the
// clock the records carry, the landscape picture, the arguments and the files.
#include <gtest/gtest.h>

#include <stb_image.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <windows.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "capture/encoder.h"
#include "capture/frame_workers.h"
#include "capture/options.h"
#include "capture/outputs.h"
#include "display/convert.h"
#include "files/file_system.h"
#include "files/files.h"
#include "files/wav.h"
#include "offline/landscape.h"
#include "offline/png.h"
#include "offline/show_music.h"
#include "offline/show_player.h"
#include "sound/music.h"
#include "support.h"

namespace {

constexpr uint32_t Pos(uint32_t order, uint32_t row) { return PackPosition(order, row); }

}  // namespace

TEST(CaptureTiming, SixtyFramesASecondAreExactly735SamplesApart)
{
    EXPECT_EQ(FrameFirstSample(1, 60), 735u);
    EXPECT_EQ(FrameFirstSample(230, 60), 169050u);
    EXPECT_EQ(FrameFirstSample(7143, 60), 5250105u);
    EXPECT_EQ(FrameMillis(1, 60), 16u);     // 16.67 ms, truncated
    EXPECT_EQ(FrameMillis(230, 60), 3833u);
    EXPECT_EQ(FrameMillis(231, 60), 3850u);
    EXPECT_EQ(FrameMillis(7143, 60), 119050u);
}

TEST(CaptureTiming, RatesThatDoNotDivideTheSampleRateRoundDownWithoutDrift)
{
    EXPECT_EQ(FrameFirstSample(1, 48), 918u);  // 918.75
    EXPECT_EQ(FrameFirstSample(4, 48), 3675u);
    EXPECT_EQ(FrameMillis(1, 48), 20u);        // 20.83
    EXPECT_EQ(FrameMillis(48, 48), 1000u);
    EXPECT_EQ(FrameFirstSample(4000000, 1000), 176400000u);  // no 32-bit overflow on long runs
    EXPECT_EQ(FrameMillis(4000000, 1000), 4000000u);
}

TEST(CapturePositions, Frame230IsTheLastOfOrder0AndFrame231TheFirstOfOrder1)
{
    ShowMusic music;
    Stretch stretch;
    std::string error;
    ASSERT_TRUE(RenderShowMusic(&music, 60, 0, 1, &stretch, &error)) << error;
    EXPECT_EQ(FramePosition(&music, 0), Pos(0, 0));
    EXPECT_EQ(FramePosition(&music, 230), Pos(0, 63));
    EXPECT_EQ(FramePosition(&music, 231), Pos(1, 0));
}

TEST(CapturePositions, EveryFrameShowsTheRowPlayingAtItsFirstSample)
{
    Stretch stretch;
    const ShowMusic& music = WholeShow(&stretch);
    constexpr uint64_t SamplesPerRow = 2646;  // 0.06 s
    for (uint32_t frame = 0; frame <= stretch.last; ++frame) {
        const uint64_t row = FrameFirstSample(frame, 60) / SamplesPerRow;
        ASSERT_EQ(FramePosition(&music, frame), Pos(uint32_t(row / 64), uint32_t(row % 64))) << "frame " << frame;
    }
}

TEST(CaptureStretch, WholeShowEndsWithTheBlackEndFrameWhichEndsTheVideo)
{
    Stretch s;
    const ShowMusic& music = WholeShow(&s);
    EXPECT_EQ(s.first, 0u);
    EXPECT_EQ(s.last, 7143u);
    EXPECT_EQ(s.videoEnd, 7143u);
    EXPECT_EQ(FrameOrder(&music, 7142), 30);
    EXPECT_EQ(FrameOrder(&music, 7143), LastOrder);
    // The video runs to the end frame's start: 31 orders of 3.84 s within one frame.
    EXPECT_NEAR(s.videoEnd / 60.0, 31 * 3.84, 1 / 60.0);
    EXPECT_GE(music.samples.size() / 2, FrameFirstSample(s.videoEnd, 60));
}

TEST(CaptureStretch, FromAndToTakeWholeOrders)
{
    const struct { int32_t from, to; uint32_t first, last, videoEnd; } cases[] = {
        {0, 0, 0, 230, 231},
        {1, 2, 231, 691, 692},
        {30, 30, 6912, 7142, 7143},
        {30, LastOrder, 6912, 7143, 7143},
        {LastOrder, LastOrder, 7143, 7143, 7143},
    };
    for (const auto& c : cases) {
        ShowMusic music;
        Stretch s;
        std::string error;
        ASSERT_TRUE(RenderShowMusic(&music, 60, c.from, c.to, &s, &error)) << c.from << ".." << c.to << ": " << error;
        EXPECT_EQ(s.first, c.first) << c.from << ".." << c.to;
        EXPECT_EQ(s.last, c.last) << c.from << ".." << c.to;
        EXPECT_EQ(s.videoEnd, c.videoEnd) << c.from << ".." << c.to;
    }
}

TEST(CaptureStretch, AtFiftyFramesASecondTheEndFrameStartsWithOrder31)
{
    ShowMusic music;
    Stretch s;
    std::string error;
    ASSERT_TRUE(RenderShowMusic(&music, 50, 30, LastOrder, &s, &error)) << error;
    EXPECT_EQ(s.first, 5760u);  // 30 x 3.84 s x 50
    EXPECT_EQ(s.last, 5952u);
    EXPECT_EQ(FramePosition(&music, 5952), Pos(31, 0));
    EXPECT_EQ(FramePosition(&music, 5951), Pos(30, 63));
}

TEST(CaptureFrames, OrdersOneAndTwoCarryTheFrozenClockInBothRecords)
{
    ScopedFramebuffer fb;
    EnsureTables();
    ShowMusic music;
    Stretch s;
    std::string error;
    ASSERT_TRUE(RenderShowMusic(&music, 60, 0, 3, &s, &error)) << error;
    ShowPlayer player;
    StartPlayer(&player, &music);
    for (uint32_t frame = 226; frame < 700; frame += (frame < 236 || frame > 686) ? 1 : 23) {
        PlayFrame(&player, frame);
        const uint32_t millis = FrameMillis(frame, 60);
        const Region* r = player.show.records;
        if (player.show.order == 1 || player.show.order == 2) {
            EXPECT_EQ(ElapsedMillis, 3000u) << "frame " << frame;
            EXPECT_EQ(r[0].millis, 3000u) << "frame " << frame;
            EXPECT_EQ(r[1].millis, 3000u) << "frame " << frame;
            EXPECT_EQ(r[0].seconds, millis / 1000) << "frame " << frame;  // seconds keep the real time
        } else {
            EXPECT_EQ(ElapsedMillis, millis) << "frame " << frame;
            EXPECT_EQ(r[0].millis, millis) << "frame " << frame;
        }
    }
}

TEST(Landscape, EveryDisplayPixelShowsBufferColumnYOfRow319MinusX)
{
    const std::vector<uint16_t> frame = HashPattern(9);
    std::vector<uint8_t> staging(StagingBytes), picture(LandscapeBytes(1));
    ConvertFrame(frame.data(), staging.data());
    LandscapePicture(staging.data(), picture.data());
    for (int y = 0; y < LandscapeHeight; ++y) {
        for (int x = 0; x < LandscapeWidth; ++x) {
            const uint16_t p = frame[size_t(319 - x) * BufferWidth + size_t(y)];
            const uint8_t* out = &picture[(size_t(y) * LandscapeWidth + size_t(x)) * 3];
            ASSERT_EQ(out[0], ChannelTo8Bits((p >> 11) * 4u)) << x << "," << y;
            ASSERT_EQ(out[1], ChannelTo8Bits(((p >> 5) & 63) * 2u)) << x << "," << y;
            ASSERT_EQ(out[2], ChannelTo8Bits((p & 31) * 4u)) << x << "," << y;
        }
    }
}

TEST(Landscape, BufferCornersLandOnTheScreenCornersTurnedClockwise)
{
    std::vector<uint16_t> frame(BufferPixels, 0);
    frame[0] = 0xF800;                             // column 0, row 0: top right
    frame[BufferPixels - 1] = 0x07E0;              // column 239, row 319: bottom left
    frame[size_t(319) * BufferWidth] = 0x001F;     // column 0, row 319: top left
    frame[BufferWidth - 1] = 0xFFFF;               // column 239, row 0: bottom right
    std::vector<uint8_t> staging(StagingBytes), picture(LandscapeBytes(1));
    ConvertFrame(frame.data(), staging.data());
    LandscapePicture(staging.data(), picture.data());
    auto at = [&](int x, int y) {
        const uint8_t* p = &picture[(size_t(y) * LandscapeWidth + size_t(x)) * 3];
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(at(319, 0), (std::vector<int>{249, 0, 0}));
    EXPECT_EQ(at(0, 239), (std::vector<int>{0, 253, 0}));
    EXPECT_EQ(at(0, 0), (std::vector<int>{0, 0, 249}));
    EXPECT_EQ(at(319, 239), (std::vector<int>{249, 253, 249}));
    EXPECT_EQ(at(160, 120), (std::vector<int>{0, 0, 0}));
}

TEST(Landscape, ChannelsReachTheFull8BitRangeRounded)
{
    EXPECT_EQ(ChannelTo8Bits(0), 0);
    EXPECT_EQ(ChannelTo8Bits(127), 255);
    EXPECT_EQ(ChannelTo8Bits(124), 249);  // 248.98: the top of red and blue
    EXPECT_EQ(ChannelTo8Bits(126), 253);  // 252.99: the top of green
    EXPECT_EQ(ChannelTo8Bits(63), 126);   // 126.50 - 1/254: just below the half
    EXPECT_EQ(ChannelTo8Bits(2), 4);      // 4.02
    for (uint32_t v = 1; v < 128; ++v)
        EXPECT_GT(ChannelTo8Bits(v), ChannelTo8Bits(v - 1));
}

TEST(Landscape, ScaleRepeatsEachPixelInASquareBlock)
{
    std::vector<uint16_t> frame(BufferPixels);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>(i * 40503u);
    std::vector<uint8_t> staging(StagingBytes), one(LandscapeBytes(1)), three(LandscapeBytes(3));
    ConvertFrame(frame.data(), staging.data());
    LandscapePicture(staging.data(), one.data());
    ScalePicture(one.data(), 3, three.data());
    for (size_t y = 0; y < 3 * LandscapeHeight; ++y)
        for (size_t x = 0; x < 3 * LandscapeWidth; ++x)
            for (size_t c = 0; c < 3; ++c)
                ASSERT_EQ(three[(y * 3 * LandscapeWidth + x) * 3 + c], one[((y / 3) * LandscapeWidth + x / 3) * 3 + c])
                    << x << "," << y;
}

TEST(Landscape, RawBufferBytesAreLittleEndian)
{
    std::vector<uint16_t> frame(BufferPixels, 0);
    frame[0] = 0x1234;
    frame[BufferPixels - 1] = 0xABCD;
    const std::vector<uint8_t> bytes = BufferBytes(frame.data());
    ASSERT_EQ(bytes.size(), 153600u);
    EXPECT_EQ(bytes[0], 0x34);
    EXPECT_EQ(bytes[1], 0x12);
    EXPECT_EQ(bytes[153598], 0xCD);
    EXPECT_EQ(bytes[153599], 0xAB);
}

static bool Parse(std::vector<const char*> args, CaptureOptions* o, std::string* error)
{
    return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(CaptureOptions, DefaultsAreTheWholeShowAt60FpsScaledBy4)
{
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--raw", "out"}, &o, &error)) << error;
    EXPECT_EQ(o.rawDir, "out");
    EXPECT_EQ(o.rawEvery, 1u);
    EXPECT_EQ(o.scale, 4);
    EXPECT_EQ(o.fromOrder, 0);
    EXPECT_EQ(o.toOrder, LastOrder);
    EXPECT_EQ(o.fps, 60u);
    EXPECT_TRUE(o.video.empty() && o.pngDir.empty() && o.wavFile.empty());
}

TEST(CaptureOptions, EveryOptionIsRead)
{
    CaptureOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"-o", "s.mp4", "--scale", "2", "--png", "p", "--wav", "w.wav", "--raw", "r", "--raw-every",
                       "60", "--from", "3", "--to", "31", "--fps", "50"}, &o, &error)) << error;
    EXPECT_EQ(o.video, "s.mp4");
    EXPECT_EQ(o.videoContainer, "mp4");
    EXPECT_EQ(o.scale, 2);
    EXPECT_EQ(o.pngDir, "p");
    EXPECT_EQ(o.wavFile, "w.wav");
    EXPECT_EQ(o.rawEvery, 60u);
    EXPECT_EQ(o.fromOrder, 3);
    EXPECT_EQ(o.toOrder, 31);
    EXPECT_EQ(o.fps, 50u);
    EXPECT_FALSE(o.gentle);
    ASSERT_TRUE(Parse({"--flash-report", "f.csv", "--gentle"}, &o, &error)) << "a report alone is an output";
    EXPECT_EQ(o.flashReport, "f.csv");
    EXPECT_TRUE(o.gentle);
    ASSERT_TRUE(Parse({"--raw", "r", "--help"}, &o, &error));
    EXPECT_TRUE(o.help);
}

TEST(CaptureOptions, BadArgumentsAreRefusedWithTheReason)
{
    const auto parse = [](const std::vector<const char*>& args, std::string* error) {
        CaptureOptions o;
        return Parse(args, &o, error);
    };
    ExpectRefused(parse, {
        {{}, "nothing to write"},
        {{"--raw", "r", "--bogus"}, "unknown option '--bogus'"},
        {{"--raw"}, "--raw needs a value"},
        {{"--raw", ""}, "--raw needs a path"},
        {{"--raw", "r", "--raw", "s"}, "--raw given twice"},
        {{"-o", "show.avi"}, ".mkv or .mp4"},
        {{"-o", ".mkv"}, ".mkv or .mp4"},
        {{"--raw", "r", "--scale", "0"}, "--scale takes"},
        {{"--raw", "r", "--scale", "17"}, "--scale takes"},
        {{"--raw", "r", "--fps", "60.5"}, "--fps takes"},
        {{"--raw", "r", "--fps", "-1"}, "--fps takes"},
        {{"--raw", "r", "--from", "32"}, "--from takes an order from 0 to 31"},
        {{"--raw", "r", "--to", "x"}, "--to takes an order"},
        {{"--raw", "r", "--raw-every", "0"}, "--raw-every takes"},
        {{"--raw", "r", "--raw-every", "1000001"}, "--raw-every takes a whole number from 1 to 1000000, not '1000001'"},
        {{"--png", "p", "--raw-every", "2"}, "--raw-every needs --raw"},
        {{"--raw", "r", "--from", "5", "--to", "4"}, "--from 5 comes after --to 4"},
        {{"--wav", "w.wav", "--from", "31"}, "no time"},
    });
}

// A capture of frames first..last into the outputs that o names, without drawing: each frame's
// PNG and buffer are its number as text. Commits when commit is set, else takes everything back.
static std::string FakeCapture(CaptureOptions o, uint32_t first, uint32_t last, bool commit)
{
    Outputs out;
    std::string error;
    bool done = OpenOutputs(o, &out, &error) && StartOutputs(&out, Stretch{first, last, last + 1}, {}, &error);
    for (uint32_t frame = first; done && frame <= last; ++frame) {
        const std::string bytes = std::to_string(frame);
        const std::span<const uint8_t> b(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        done = WriteFrame(&out, {frame, 5, 0, frame * 16}, WantsRaw(&out, frame) ? b : std::span<const uint8_t>(), b,
                          nullptr, &error);
    }
    done = done && commit && CommitOutputs(&out, &error);
    DiscardOutputs(&out);
    return done || !commit ? "" : error;
}

TEST(CaptureOutputs, AFailedRunChangesNothingAndClashesAreRefusedFirst)
{
    ScratchFolder dir;
    CaptureOptions o;
    o.pngDir = dir.path + "/png";
    o.rawDir = dir.path + "/raw";
    o.wavFile = dir.path + "/a.wav";
    ASSERT_EQ(FakeCapture(o, 10, 12, true), "");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/png/notes.txt", "mine", &error));
    const std::string before = Snapshot(dir);
    EXPECT_NE(before.find("000011.png=11;"), std::string::npos) << before;
    EXPECT_NE(ReadText(dir.path + "/raw/frames.csv").find("11,5,0,176,1"), std::string::npos);
    o.replace = true;
    ASSERT_EQ(FakeCapture(o, 11, 20, false), "");  // a run taken back
    EXPECT_EQ(Snapshot(dir), before);
    const struct { std::string png, wav, why; } clashes[] = {
        {dir.path + "/x", dir.path + "/x", "name the same file"},
        {dir.path + "/png", dir.path + "/png/frames.csv", "is one of the files --png writes"},
        {dir.path + "/raw", dir.path + "/b.wav", "is not the record of a --png capture"},
    };
    o.rawDir.clear();
    for (const auto& c : clashes) {
        o.pngDir = c.png;
        o.wavFile = c.wav;
        const std::string why = FakeCapture(o, 11, 20, true);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(Snapshot(dir), before) << c.why;
    }
    // --raw takes part in the check too, however its path is spelled.
    o.wavFile.clear();
    o.pngDir = dir.path + "/png";
    o.rawDir = dir.path + "/./png/";
    EXPECT_NE(FakeCapture(o, 11, 20, true).find("name the same folder"), std::string::npos);
    EXPECT_EQ(Snapshot(dir), before);
}

TEST(CaptureOutputs, ReplaceRemovesOnlyWhatAnEarlierCaptureRecorded)
{
    ScratchFolder dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/20240101.png", "photo", &error));
    CaptureOptions o;
    o.pngDir = dir.path;
    ASSERT_EQ(FakeCapture(o, 10, 12, true), "");
    EXPECT_NE(FakeCapture(o, 11, 11, true).find("holds 4 files of an earlier capture; give --replace"),
              std::string::npos);
    o.replace = true;
    ASSERT_EQ(FakeCapture(o, 11, 11, true), "");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"000011.png", "20240101.png", "frames.csv"}));
    EXPECT_EQ(ReadText(dir.path + "/frames.csv"), "frame,order,row,millis\n11,5,0,176\n");
    // A name the run would write that no capture recorded, a file or a folder, is refused.
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/000012.png", "mine", &error));
    ASSERT_TRUE(MakeFolder(dir.path + "/000013.png"));
    EXPECT_NE(FakeCapture(o, 11, 12, true).find("000012.png: no capture wrote it"), std::string::npos);
    EXPECT_NE(FakeCapture(o, 13, 13, true).find("000013.png: it is a folder"), std::string::npos);
    EXPECT_EQ(ReadText(dir.path + "/000012.png"), "mine");
}

TEST(CaptureFiles, PngDecodesToTheSamePixelsAndRepeatsByteForByte)
{
    std::vector<uint8_t> rgb(size_t(LandscapeWidth) * LandscapeHeight * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>((i * 7919) >> 3);
    const std::vector<uint8_t> png = EncodePng(rgb.data(), LandscapeWidth, LandscapeHeight);
    EXPECT_EQ(EncodePng(rgb.data(), LandscapeWidth, LandscapeHeight), png);
    int w = 0, h = 0, channels = 0;
    uint8_t* pixels = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(w, LandscapeWidth);
    EXPECT_EQ(h, LandscapeHeight);
    EXPECT_TRUE(std::equal(rgb.begin(), rgb.end(), pixels));
    stbi_image_free(pixels);
}

// Decoders differ in what they check: stb's reader ignores the chunk CRCs, which other programs
// refuse a file for. Every chunk is walked and its CRC-32 worked out bit by bit here.
TEST(CaptureFiles, PngChunksAreWellFormedWithTheirCrcs)
{
    const std::vector<uint8_t> rgb(size_t(LandscapeWidth) * LandscapeHeight * 3, 0x5A);
    const std::vector<uint8_t> png = EncodePng(rgb.data(), LandscapeWidth, LandscapeHeight);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(png.size(), sizeof signature);
    ASSERT_TRUE(std::equal(signature, signature + 8, png.begin()));
    const auto be32 = [&](size_t at) {
        return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 | png[at + 3];
    };
    std::vector<std::string> types;
    for (size_t at = 8; at < png.size();) {
        ASSERT_LE(at + 12, png.size());
        const uint32_t length = be32(at);
        ASSERT_LE(at + 12 + length, png.size());
        uint32_t crc = 0xFFFFFFFFu;
        for (size_t i = at + 4; i < at + 8 + length; ++i) {
            crc ^= png[i];
            for (int bit = 0; bit < 8; ++bit)
                crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
        types.emplace_back(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
        EXPECT_EQ(be32(at + 8 + length), ~crc) << types.back();
        if (types.back() == "IHDR") {
            EXPECT_EQ(length, 13u);
            EXPECT_EQ(be32(at + 8), uint32_t(LandscapeWidth));
            EXPECT_EQ(be32(at + 12), uint32_t(LandscapeHeight));
            EXPECT_EQ(png[at + 16], 8);  // bits a channel
            EXPECT_EQ(png[at + 17], 2);  // RGB
        }
        at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
}

TEST(Encoder, FindsOnlyExecutableFilesOnThePath)
{
#if defined(_WIN32)
    GTEST_SKIP() << "executable bits are POSIX permissions; Windows finds name.exe";
#else
    ScratchFolder dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/tool", "#", &error));
    ASSERT_TRUE(WriteFileAtomically(dir.path + "/plain", "#", &error));
    chmod((dir.path + "/tool").c_str(), 0755);
    mkdir((dir.path + "/folder").c_str(), 0755);
    const std::string saved = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", ("/nonexistent:" + dir.path).c_str(), 1);
    EXPECT_EQ(FindOnPath("tool"), dir.path + "/tool");
    EXPECT_EQ(FindOnPath("plain"), "");
    EXPECT_EQ(FindOnPath("folder"), "");
    EXPECT_EQ(FindOnPath("missing"), "");
    setenv("PATH", saved.c_str(), 1);
#endif
}

// A stand-in for ffmpeg: copies its input to the last argument, or fails when told to. On
// Windows it is stand-in-encoder.exe beside the test program; the script's "exit N" becomes its
// SIDEWAYS_STAND_IN_EXIT.
static std::string FakeFfmpeg(const ScratchFolder& dir, const char* body)
{
#if defined(_WIN32)
    (void)dir;
    const char* exit = std::strstr(body, "exit ");
    _putenv_s("SIDEWAYS_STAND_IN_EXIT", exit != nullptr ? exit + 5 : "");
    char self[MAX_PATH];
    const std::string program(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    return program.substr(0, program.find_last_of('\\') + 1) + "stand-in-encoder.exe";
#else
    const std::string path = dir.path + "/fake-ffmpeg";
    const std::string script = std::string("#!/bin/sh\n") + body + "\n";
    std::string error;
    EXPECT_TRUE(WriteFileAtomically(path, script, &error));
    chmod(path.c_str(), 0755);
    return path;
#endif
}

TEST(Encoder, EveryFrameByteReachesTheEncoder)
{
    ScratchFolder dir;
    const EncoderSettings settings = {FakeFfmpeg(dir, "for a; do out=${a#file:}; done; cat > \"$out\""), dir.path + "/out",
                                      "mkv", dir.path + "/audio.wav", 4, 2, 60};
    Encoder e;
    std::string error;
    ASSERT_TRUE(StartEncoder(&e, settings, &error)) << error;
    std::vector<uint8_t> frame(4 * 2 * 3);
    for (int k = 0; k < 3; ++k) {
        std::fill(frame.begin(), frame.end(), uint8_t('a' + k));
        ASSERT_TRUE(EncodeFrame(&e, frame.data(), frame.size(), &error)) << error;
    }
    ASSERT_TRUE(FinishEncoder(&e, &error)) << error;
    EXPECT_EQ(ReadText(dir.path + "/out"), std::string(24, 'a') + std::string(24, 'b') + std::string(24, 'c'));
}

TEST(Encoder, AFailingEncoderIsReportedWithItsStatus)
{
    ScratchFolder dir;
    const EncoderSettings settings = {FakeFfmpeg(dir, "exec 0<&-; exit 3"), dir.path + "/out", "mp4",
                                      dir.path + "/audio.wav", 320, 240, 60};
    Encoder e;
    std::string error;
    ASSERT_TRUE(StartEncoder(&e, settings, &error)) << error;
    std::vector<uint8_t> frame(LandscapeBytes(1));
    bool sent = true;
    for (int k = 0; k < 100 && sent; ++k)  // more than a pipe holds: a write fails once it has gone
        sent = EncodeFrame(&e, frame.data(), frame.size(), &error);
    EXPECT_FALSE(sent);
    EXPECT_NE(error.find("ffmpeg stopped taking frames"), std::string::npos) << error;
    EXPECT_FALSE(FinishEncoder(&e, &error));
    EXPECT_EQ(error, "ffmpeg failed with exit status 3");
}

TEST(FrameWorkers, EverySlotHandedIsWorkedOnceAndTakenBackInOrder)
{
    constexpr int Slots = 4;
    std::vector<int> seen(Slots, -1), runs(Slots, 0);
    int next[Slots] = {};
    {
        FrameWorkers workers;
        std::string error;
        ASSERT_TRUE(StartWorkers(&workers, 3, [&](int slot) {
            ++runs[size_t(slot)];
            seen[size_t(slot)] = next[slot];
        }, &error)) << error;
        // Frames 0..99 through four slots, as the capture does: take frame n - 4 before handing n.
        for (int n = 0; n < 100; ++n) {
            if (n >= Slots) {
                TakeSlot(&workers, n % Slots);
                ASSERT_EQ(seen[size_t(n % Slots)], n - Slots);
            }
            next[n % Slots] = n;
            HandSlot(&workers, n % Slots);
        }
        for (int n = 100 - Slots; n < 100; ++n) {
            TakeSlot(&workers, n % Slots);
            EXPECT_EQ(seen[size_t(n % Slots)], n);
        }
        EXPECT_EQ(runs, std::vector<int>(Slots, 25));
        // Stopping with work still queued neither hangs nor leaves a thread behind.
        for (int slot = 0; slot < Slots; ++slot)
            HandSlot(&workers, slot);
    }
}
