// paint: makes the show's pictures, textures and scroll text, or checks the committed ones.
//   paint --out DIR        writes every asset into DIR (the build's target regenerate-art)
//   paint --check DIR [FILE...]  exits 1 unless DIR holds exactly what paint would write (only
//                                the named files, when some are named)
//   paint --specimen FILE  writes a sheet of both fonts, for review
//   paint --icon SIZE FILE writes the desktop icon, SIZE x SIZE pixels (16..512)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "files.h"
#include "paintings.h"

namespace {

struct Painted {
    const char* file;
    std::function<Image()> paint;
};

const std::vector<Painted>& Pictures()
{
    static const std::vector<Painted> all = {
        {"warning.png", PaintWarning},
        {"logo.png", PaintLogo},
        {"scroller.png", PaintScroller},
        {"roto.png", PaintRotoTexture},
        {"tunnel.png", PaintTunnelTexture},
    };
    return all;
}

constexpr const char* TextFile = "scroll.txt";

// Checks what a painter made against the build's rules before anything is written.
bool CheckPainted(const std::string& file, const Image* image, std::string* error)
{
    if (file == "scroller.png")
        return CheckScrollerPicture(image, error);
    return true;
}

int Write(const std::string& dir)
{
    int faults = 0;
    for (const Painted& p : Pictures()) {
        const Image image = p.paint();
        std::string fault;
        if (!CheckPainted(p.file, &image, &fault) || !WritePng(&image, dir + "/" + p.file, &fault)) {
            std::fprintf(stderr, "paint: %s: %s\n", p.file, fault.c_str());
            ++faults;
        }
    }
    const std::string text = WriteScrollText();
    std::vector<std::string> lines;
    std::string fault;
    if (!CheckScrollText(text, &lines, &fault) || !WriteFileAtomically(dir + "/" + TextFile, text, &fault)) {
        std::fprintf(stderr, "paint: %s: %s\n", TextFile, fault.c_str());
        ++faults;
    }
    return faults == 0 ? 0 : 1;
}

int Check(const std::string& dir, const std::vector<std::string>& only)
{
    auto wanted = [&](const std::string& file) {
        return only.empty() || std::find(only.begin(), only.end(), file) != only.end();
    };
    int faults = 0;
    for (const std::string& file : only) {
        const bool known = file == TextFile || std::any_of(Pictures().begin(), Pictures().end(),
                                                           [&](const Painted& p) { return file == p.file; });
        if (!known) {
            std::fprintf(stderr, "paint: %s is not a file paint makes\n", file.c_str());
            ++faults;
        }
    }
    for (const Painted& p : Pictures()) {
        if (!wanted(p.file))
            continue;
        const std::string path = dir + "/" + p.file;
        const Image fresh = p.paint();
        std::vector<uint8_t> committed;
        int width = 0, height = 0;
        // Every byte of every pixel counts, the low bits included: they must be 0.
        if (!ReadPngBytes(path, &committed, &width, &height) || width != fresh.width || height != fresh.height ||
            committed != PngBytes(&fresh)) {
            std::fprintf(stderr, "paint: %s differs from what the painter makes; run the target regenerate-art\n",
                         path.c_str());
            ++faults;
        }
    }
    std::string text, error;
    if (wanted(TextFile) && (!ReadFile(dir + "/" + TextFile, &text, &error) || text != WriteScrollText())) {
        std::fprintf(stderr, "paint: %s/%s differs from what the painter makes; run the target regenerate-art\n",
                     dir.c_str(), TextFile);
        ++faults;
    }
    return faults == 0 ? 0 : 1;
}

int WriteOne(const Image& image, const std::string& path)
{
    std::string error;
    if (!WritePng(&image, path, &error)) {
        std::fprintf(stderr, "paint: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--out")
        return Write(argv[2]);
    if (argc >= 3 && std::string(argv[1]) == "--check")
        return Check(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    if (argc == 3 && std::string(argv[1]) == "--specimen")
        return WriteOne(PaintSpecimen(), argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--icon") {
        const int size = std::atoi(argv[2]);
        if (size < 16 || size > 512) {
            std::fprintf(stderr, "paint: the icon's size must be 16..512, not '%s'\n", argv[2]);
            return 2;
        }
        return WriteOne(PaintIcon(size), argv[3]);
    }
    std::fprintf(stderr, "usage: paint --out DIR | --check DIR [FILE...] | --specimen FILE | --icon SIZE FILE\n");
    return 2;
}
