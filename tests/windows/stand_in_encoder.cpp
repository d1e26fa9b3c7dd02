// A stand-in for ffmpeg.exe in the capture's tests on Windows: copies its standard input to the
// file its last argument names (after ffmpeg's "file:" protocol prefix, which the capture gives); with SIDEWAYS_STAND_IN_EXIT=N (N not empty) it closes its input
// at once and exits with N instead.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const char* exit = std::getenv("SIDEWAYS_STAND_IN_EXIT");
    if (exit != nullptr && *exit != '\0') {
        std::fclose(stdin);
        return std::atoi(exit);
    }
    _setmode(_fileno(stdin), _O_BINARY);
    const char* name = argv[argc - 1];
    if (std::strncmp(name, "file:", 5) == 0)
        name += 5;
    std::FILE* out = std::fopen(name, "wb");
    if (out == nullptr)
        return 1;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;)
        std::fwrite(buffer, 1, n, out);
    return std::fclose(out) == 0 ? 0 : 1;
}
