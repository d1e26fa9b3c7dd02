#include "app/command_line.h"

bool ParseWholeNumber(const std::string& text, long low, long high, long* value)
{
    const bool negative = low < 0 && !text.empty() && text[0] == '-';
    const size_t first = negative ? 1 : 0;
    if (text.size() == first || text.size() - first > 9)
        return false;
    long v = 0;
    for (size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
    }
    if (negative)
        v = -v;
    if (v < low || v > high)
        return false;
    *value = v;
    return true;
}
