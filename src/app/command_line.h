// What the programs' command lines share: each program describes its options in one table (name,
// argument, range, help line), and the parser, its error messages and the --help text all come
// from that table.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/show_timing.h"

enum class OptionKind : uint8_t {
    Flag,     // no argument
    Stop,     // no argument; reading stops there and succeeds, whatever follows (--help)
    Number,   // a whole number from low to high
    Text,     // any text but an empty one
    Size,     // an optional WIDTHxHEIGHT, each side from low to high: the next argument unless it
              // starts with '-'
    Heading,  // no option: a heading line of the help text
};

struct OptionRow {
    const char* name;      // "--from", or a heading's text
    const char* alias;     // another spelling ("-h"), or nullptr
    OptionKind kind;
    const char* argument;  // how the help names the argument ("ORDER"), or nullptr
    long low, high;        // Number and Size: the range
    const char* what;      // Number, Size: what it takes ("an order"); Text: what it needs ("a path")
    const char* help;      // the help text; {low} and {high} stand for the range, '\n' starts a
                           // line indented under the first
};

// Rows every table may take: -h/--help; an option that takes an order of the show, 0..LastOrder;
// a heading line of the help text.
inline constexpr OptionRow HelpOption = {"--help", "-h", OptionKind::Stop, nullptr, 0, 0, nullptr, "this text"};
constexpr OptionRow OrderOption(const char* name, const char* help)
{
    return {name, nullptr, OptionKind::Number, "ORDER", 0, LastOrder, "an order", help};
}
constexpr OptionRow Heading(const char* text)
{
    return {text, nullptr, OptionKind::Heading, nullptr, 0, 0, nullptr, nullptr};
}

// One option as given on the command line.
struct GivenOption {
    const OptionRow* row;
    std::string text;     // the argument as given; "" for none
    long number;          // Number: its value
    long width, height;   // Size: the size given; 0 when none was
};

// Reads the arguments (after the program name) against the table, in order, into *given. False,
// with a one-line reason, for an unknown option, one given twice, a missing value, a number that
// is malformed or out of range, a malformed size or an empty text.
bool ParseCommandLine(std::span<const OptionRow> table, int argc, const char* const* argv,
                      std::vector<GivenOption>* given, std::string* error);

// The option of that name in given, or nullptr when it was not given.
const GivenOption* FindGiven(const std::vector<GivenOption>& given, const char* name);

// Reads text as a Number option's value, for a value from elsewhere (an environment variable);
// shownName names it in the error.
bool ParseOptionNumber(const OptionRow& row, const std::string& shownName, const std::string& text, long* value,
                       std::string* error);

// The usage line, the summary, then one line per option (and heading) as the table orders them,
// the help texts starting in one column.
std::string OptionHelp(const char* usage, const char* summary, std::span<const OptionRow> table);
