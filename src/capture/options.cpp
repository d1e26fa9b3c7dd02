#include "capture/options.h"

#include <set>

#include "app/command_line.h"
#include "capture/show_music.h"

const char* const UsageText =
    "usage: sideways-capture [options]\n"
    "Renders the show offline, frame by frame in step with the music, with no window or sound card.\n"
    "Outputs, in any combination (at least one):\n"
    "  -o FILE          video with sound through ffmpeg: FILE.mkv lossless (H.264 RGB + FLAC),\n"
    "                   FILE.mp4 H.264 (crf 12) + AAC\n"
    "  --scale N        video pixels per picture pixel, nearest neighbour, 1..16 (default 4: 1280 x 960)\n"
    "  --png DIR        every frame as DIR/NNNNNN.png, the 320 x 240 landscape picture\n"
    "  --wav FILE       the music of the stretch, 16-bit stereo at 44100 Hz\n"
    "  --raw DIR        DIR/frames.csv (frame,order,row,millis,written; millis is the scene clock,\n"
    "                   which stands still at 3000 through orders 1 and 2) and the 240 x 320 RGB565\n"
    "                   buffer as drawn, little-endian, as DIR/NNNNNN.rgb565\n"
    "  --raw-every N    write the buffer of every frame whose number is a multiple of N (default 1);\n"
    "                   the stretch's first frame is always written\n"
    "  --replace        let --png and --raw replace the frames of an earlier capture in DIR (without\n"
    "                   it such a folder is refused); they are replaced only when the run completes\n"
    "What to render:\n"
    "  --from ORDER     start at the first frame of this order, 0..31 (default 0)\n"
    "  --to ORDER       end after the last frame of this order, 0..31 (default 31: the whole show,\n"
    "                   ending with its black end frame)\n"
    "  --fps N          frames a second, 1..1000 (default 60)\n"
    "  -h, --help       this text\n";

static bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool ParseOptions(int argc, const char* const* argv, CaptureOptions* o, std::string* error)
{
    *o = CaptureOptions{"", "", "", "", 1, 4, 0, LastOrder, 60, false, false};
    std::set<std::string> seen;
    for (int i = 0; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "-h" || name == "--help") {
            o->help = true;
            return true;
        }
        if (name == "--replace") {
            o->replace = true;
            continue;
        }
        static const std::set<std::string> known = {"-o", "--scale", "--png", "--wav", "--raw",
                                                    "--raw-every", "--from", "--to", "--fps"};
        if (known.count(name) == 0) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (!seen.insert(name).second) {
            *error = name + " given twice";
            return false;
        }
        if (i + 1 >= argc) {
            *error = name + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        long n = 0;
        if (name == "-o" || name == "--png" || name == "--wav" || name == "--raw") {
            if (value.empty()) {
                *error = name + " needs a path";
                return false;
            }
            (name == "-o" ? o->video : name == "--png" ? o->pngDir : name == "--wav" ? o->wavFile : o->rawDir) = value;
        } else if (name == "--scale") {
            if (!ParseWholeNumber(value, 1, 16, &n)) {
                *error = "--scale takes a whole number from 1 to 16, not '" + value + "'";
                return false;
            }
            o->scale = static_cast<int>(n);
        } else if (name == "--raw-every") {
            if (!ParseWholeNumber(value, 1, 1000000, &n)) {
                *error = "--raw-every takes a whole number from 1 up, not '" + value + "'";
                return false;
            }
            o->rawEvery = static_cast<uint32_t>(n);
        } else if (name == "--fps") {
            if (!ParseWholeNumber(value, 1, 1000, &n)) {
                *error = "--fps takes a whole number from 1 to 1000, not '" + value + "'";
                return false;
            }
            o->fps = static_cast<uint32_t>(n);
        } else {
            if (!ParseWholeNumber(value, 0, LastOrder, &n)) {
                *error = name + " takes an order from 0 to 31, not '" + value + "'";
                return false;
            }
            (name == "--from" ? o->fromOrder : o->toOrder) = static_cast<int32_t>(n);
        }
    }
    if (!o->video.empty() && !EndsWith(o->video, ".mkv") && !EndsWith(o->video, ".mp4")) {
        *error = "-o makes .mkv or .mp4 files, not '" + o->video + "'";
        return false;
    }
    if (o->fromOrder > o->toOrder) {
        *error = "--from " + std::to_string(o->fromOrder) + " comes after --to " + std::to_string(o->toOrder);
        return false;
    }
    if (seen.count("--raw-every") != 0 && o->rawDir.empty()) {
        *error = "--raw-every needs --raw";
        return false;
    }
    if (o->video.empty() && o->pngDir.empty() && o->wavFile.empty() && o->rawDir.empty()) {
        *error = "nothing to write: give -o, --png, --wav or --raw";
        return false;
    }
    if (o->fromOrder == LastOrder && (!o->video.empty() || !o->wavFile.empty())) {
        *error = "--from 31 holds only the black end frame, which has no time for -o or --wav";
        return false;
    }
    return true;
}
