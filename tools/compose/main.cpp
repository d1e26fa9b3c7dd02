// compose: writes the soundtrack module, or checks that a file holds exactly what it would write.
//   compose --out FILE     writes the module to FILE
//   compose --check FILE   exits 1 when FILE differs from the module this build composes
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "score.h"
#include "xm_writer.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: compose --out FILE | --check FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return Usage();
    const std::string mode = argv[1];
    const std::string path = argv[2];
    XmModule module;
    ComposeSoundtrack(&module);
    if (mode == "--out") {
        const std::string fault = WriteXmFile(&module, path);
        if (!fault.empty()) {
            std::fprintf(stderr, "compose: %s\n", fault.c_str());
            return 1;
        }
        return 0;
    }
    if (mode == "--check") {
        std::vector<uint8_t> bytes;
        const std::string fault = EncodeXm(&module, &bytes);
        if (!fault.empty()) {
            std::fprintf(stderr, "compose: %s: %s\n", path.c_str(), fault.c_str());
            return 1;
        }
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "compose: %s: cannot open for reading\n", path.c_str());
            return 1;
        }
        const std::vector<uint8_t> committed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (committed != bytes) {
            std::fprintf(stderr, "compose: %s differs from the composed module; run the target regenerate-music\n",
                         path.c_str());
            return 1;
        }
        return 0;
    }
    return Usage();
}
