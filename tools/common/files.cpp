#include "files.h"

#include <fstream>
#include <iterator>

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
