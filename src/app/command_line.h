// What the programs' option parsers share.
#pragma once
#include <string>

// A decimal number in [low, high]: at most nine digits, with a leading minus only where the range
// has negative numbers (so "-0" is no count). False, with *value untouched, for anything else.
bool ParseWholeNumber(const std::string& text, long low, long high, long* value);
