// compose: writes the soundtrack module, or checks that a file holds exactly what it would write.
//   compose --out FILE     writes the module to FILE
//   compose --check FILE   exits 1 when FILE differs from the module this build composes
#include <cstdio>
#include <string>
#include <vector>

#include "compose/score.h"
#include "files.h"

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
    if (mode != "--out" && mode != "--check")
        return Usage();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ComposeSoundtrackBytes(&bytes, &error)) {
        std::fprintf(stderr, "compose: %s\n", error.c_str());
        return 1;
    }
    if (mode == "--out") {
        if (!WriteFileAtomically(path, bytes, &error)) {
            std::fprintf(stderr, "compose: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    std::vector<uint8_t> committed;
    if (!ReadFile(path, &committed, &error)) {
        std::fprintf(stderr, "compose: %s\n", error.c_str());
        return 1;
    }
    if (committed != bytes) {
        std::fprintf(stderr, "compose: %s differs from the composed module; run the target regenerate-music\n",
                     path.c_str());
        return 1;
    }
    return 0;
}
