#include "files.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "bytes.h"

namespace {

template <typename Bytes>
bool ReadInto(const std::string& path, Bytes* bytes, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        *error = path + ": cannot be read";
        return false;
    }
    return true;
}

}  // namespace

bool ReadFile(const std::string& path, std::string* bytes, std::string* error)
{
    return ReadInto(path, bytes, error);
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    return ReadInto(path, bytes, error);
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string* error)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            *error = path + ": cannot open for writing";
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            *error = path + ": write failed";
            return false;
        }
    }
    std::error_code failure;
    std::filesystem::rename(temporary, path, failure);
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        *error = path + ": cannot be written (" + failure.message() + ")";
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string* error)
{
    return WriteFileAtomically(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, error);
}

std::vector<uint8_t> FloatWavBytes(std::span<const float> interleaved, uint16_t channels, uint32_t rate)
{
    const uint32_t frameBytes = channels * uint32_t{sizeof(float)};
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * sizeof(float));
    std::vector<uint8_t> out;
    PutTag(&out, "RIFF");
    PutU32(&out, 4 + 26 + 12 + 8 + dataBytes);
    PutTag(&out, "WAVEfmt ");
    PutU32(&out, 18);  // a float format carries the extension size, here 0
    PutU16(&out, 3);   // IEEE float
    PutU16(&out, channels);
    PutU32(&out, rate);
    PutU32(&out, rate * frameBytes);
    PutU16(&out, frameBytes);
    PutU16(&out, 32);
    PutU16(&out, 0);
    PutTag(&out, "fact");
    PutU32(&out, 4);
    PutU32(&out, dataBytes / frameBytes);
    PutTag(&out, "data");
    PutU32(&out, dataBytes);
    for (float sample : interleaved) {
        uint32_t bits;
        std::memcpy(&bits, &sample, sizeof bits);
        PutU32(&out, bits);
    }
    return out;
}
