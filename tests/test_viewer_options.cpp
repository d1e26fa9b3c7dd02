#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewer_options.h"
#include "support.h"

static bool Parse(std::vector<const char*> args, ViewerOptions* o, std::string* error, const char* offset = nullptr)
{
    return ParseViewerOptions(static_cast<int>(args.size()), args.data(), offset, o, error);
}

TEST(ViewerOptions, NoArgumentsPlayTheWholeShowFullScreenWithSound)
{
    ViewerOptions o;
    std::string error;
    ASSERT_TRUE(Parse({}, &o, &error)) << error;
    EXPECT_FALSE(o.window || o.loop || o.mute || o.gentle || o.listDisplays || o.listAudioDevices || o.help ||
                 o.version);
    EXPECT_EQ(o.display, 0);
    EXPECT_EQ(o.audioOffsetMillis, 0);
    EXPECT_EQ(o.audioDevice, "");
    EXPECT_EQ(o.fromOrder, 0);
    ASSERT_TRUE(Parse({}, &o, &error, "")) << "an empty variable counts as unset";
    EXPECT_EQ(o.audioOffsetMillis, 0);
}

TEST(ViewerOptions, EveryOptionIsReadWithItsEdgeValues)
{
    ViewerOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--window", "640x480", "--display", "63", "--audio-offset", "-1000", "--audio-device",
                       "USB Headset", "--from", "31", "--loop", "--list-displays", "--list-audio-devices"},
                      &o, &error)) << error;
    EXPECT_TRUE(o.window && o.loop && o.listDisplays && o.listAudioDevices);
    EXPECT_EQ(o.windowWidth, 640);
    EXPECT_EQ(o.windowHeight, 480);
    EXPECT_EQ(o.display, 63);
    EXPECT_EQ(o.audioOffsetMillis, -1000);
    EXPECT_EQ(o.audioDevice, "USB Headset");
    EXPECT_EQ(o.fromOrder, 31);

    ASSERT_TRUE(Parse({"--window", "--mute", "--gentle", "--audio-offset", "1000", "--from", "0"}, &o, &error))
        << error;
    EXPECT_TRUE(o.window && o.mute && o.gentle);
    EXPECT_EQ(o.windowWidth, 960) << "--window without a size opens 960x720";
    EXPECT_EQ(o.windowHeight, 720);
    EXPECT_EQ(o.audioOffsetMillis, 1000);
    ASSERT_TRUE(Parse({"--window", "64x16384"}, &o, &error)) << error;
    EXPECT_EQ(o.windowWidth, 64);
    EXPECT_EQ(o.windowHeight, 16384);

    ASSERT_TRUE(Parse({"--mute", "--help", "--bogus"}, &o, &error));
    EXPECT_TRUE(o.help);
    ASSERT_TRUE(Parse({"--version"}, &o, &error));
    EXPECT_TRUE(o.version);
}

TEST(ViewerOptions, TheEnvironmentSetsTheOffsetUnlessTheCommandLineDoes)
{
    ViewerOptions o;
    std::string error;
    ASSERT_TRUE(Parse({}, &o, &error, "-250")) << error;
    EXPECT_EQ(o.audioOffsetMillis, -250);
    ASSERT_TRUE(Parse({"--audio-offset", "0"}, &o, &error, "200")) << error;
    EXPECT_EQ(o.audioOffsetMillis, 0);
    ASSERT_TRUE(Parse({"--audio-offset", "5"}, &o, &error, "junk")) << "the command line wins over a bad variable";
    EXPECT_FALSE(Parse({}, &o, &error, "1001"));
    EXPECT_NE(error.find("SIDEWAYS_AUDIO_OFFSET_MS takes milliseconds from -1000 to 1000, not '1001'"),
              std::string::npos) << error;
}

TEST(ViewerOptions, BadArgumentsAreRefusedWithTheReason)
{
    const auto parse = [](const std::vector<const char*>& args, std::string* error) {
        ViewerOptions o;
        return Parse(args, &o, error);
    };
    ExpectRefused(parse, {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"640x480"}, "unknown option '640x480'"},
        {{"--loop", "--loop"}, "--loop given twice"},
        {{"--window", "640"}, "--window takes a size WIDTHxHEIGHT"},
        {{"--window", "63x480"}, "--window takes a size"},
        {{"--window", "640x16385"}, "--window takes a size"},
        {{"--window", "640x-480"}, "--window takes a size"},
        {{"--display"}, "--display needs a value"},
        {{"--display", "64"}, "--display takes a screen number from 0 to 63, not '64'"},
        {{"--display", "-1"}, "--display takes"},
        {{"--display", "-0"}, "--display takes"},
        {{"--audio-offset", "1001"}, "--audio-offset takes milliseconds from -1000 to 1000"},
        {{"--audio-offset", "-1001"}, "--audio-offset takes"},
        {{"--audio-offset", "1.5"}, "--audio-offset takes"},
        {{"--audio-offset", "-"}, "--audio-offset takes"},
        {{"--audio-device", ""}, "--audio-device needs a name"},
        {{"--audio-device"}, "--audio-device needs a value"},
        {{"--mute", "--audio-device", "x"}, "--mute plays on no output"},
        {{"--from", "32"}, "--from takes an order from 0 to 31, not '32'"},
        {{"--from", "x"}, "--from takes"},
    });
}

TEST(ViewerOptions, HelpGivesEveryOptionALineWithItsRangeFromTheTable)
{
    const std::string help = ViewerUsageText;
    EXPECT_EQ(help.rfind("usage: sideways [options]\n", 0), 0u);
    EXPECT_NE(help.find("\n  --from ORDER          start at the first row of this order, 0..31 (default 0)\n"),
              std::string::npos) << help;
    EXPECT_NE(help.find("\n  -h, --help            print this usage text\n"), std::string::npos) << help;
    EXPECT_NE(help.find("(default 960x720, each side 64..16384);\n                        the picture keeps"),
              std::string::npos) << "a second line starts under the first";
    EXPECT_EQ(help.find('{'), std::string::npos) << "every range is filled in";
}
