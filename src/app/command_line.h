// What the programs' command lines share: each program describes its options in one table, and
// everything about an option comes from its row: the parser stores the value by the row's id, the
// options record takes its defaults from the rows, and --help and the man pages (made at build
// time by tools/manual) print the rows.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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
    const char* name = nullptr;      // "--from", or a heading's text
    const char* alias = nullptr;     // another spelling ("-h"), or nullptr
    OptionKind kind = OptionKind::Flag;
    int id = -1;                     // the program's name for the field the option sets (its enum)
    const char* argument = nullptr;  // how the help names the argument ("ORDER"), or nullptr
    long low = 0, high = 0;          // Number and Size: the range
    long initial = 0;                // Number: the default; Size: the default width
    long initialHeight = 0;          // Size: the default height
    const char* what = nullptr;      // Number, Size: what it takes ("an order"); Text: what it needs ("a path")
    const char* help = nullptr;      // the help text; {low}, {high} and {default} stand for the range and
                                     // the default, '\n' starts a line indented under the first
    const char* more = nullptr;      // further sentences for the man page alone, or nullptr
};

// Rows every table may take: -h/--help; an option that takes an order of the show; a heading
// line of the help text.
constexpr OptionRow HelpOption(int id)
{
    return {.name = "--help", .alias = "-h", .kind = OptionKind::Stop, .id = id, .help = "print this usage text"};
}
constexpr OptionRow OrderOption(const char* name, int id, long lastOrder, long initial, const char* help)
{
    return {.name = name, .kind = OptionKind::Number, .id = id, .argument = "ORDER", .low = 0, .high = lastOrder,
            .initial = initial, .what = "an order", .help = help};
}
constexpr OptionRow Heading(const char* text)
{
    return {.name = text, .kind = OptionKind::Heading};
}

// The row with that id; at compile time, a table without it does not build.
consteval const OptionRow& OptionOf(std::span<const OptionRow> table, int id)
{
    for (const OptionRow& row : table)
        if (row.kind != OptionKind::Heading && row.id == id)
            return row;
    throw "no row of the table has this id";
}
// True when every option row has an id of its own from 0 to count - 1 and every id has a row:
// for a static_assert beside each table, so a row cannot be added without its field.
consteval bool EveryIdOnce(std::span<const OptionRow> table, int count)
{
    int seen = 0;
    for (const OptionRow& row : table) {
        if (row.kind == OptionKind::Heading)
            continue;
        if (row.id < 0 || row.id >= count)
            return false;
        for (const OptionRow& other : table)
            if (&other != &row && other.kind != OptionKind::Heading && other.id == row.id)
                return false;
        ++seen;
    }
    return seen == count;
}

// How a program ends: the codes both programs share, and a row of a program's table of them for
// its man page. Signals end a program with ExitSignalBase + the signal's number.
constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadArguments = 2;
constexpr int ExitSignalBase = 128;
struct ExitRow {
    int code;
    const char* meaning;  // one or more sentences
};

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
[[nodiscard]] bool ParseCommandLine(std::span<const OptionRow> table, int argc, const char* const* argv,
                      std::vector<GivenOption>* given, std::string* error);

// The option of that row id in given, or nullptr when it was not given.
const GivenOption* FindGiven(const std::vector<GivenOption>& given, int id);

// Reads text as a Number option's value, for a value from elsewhere (an environment variable);
// shownName names it in the error.
[[nodiscard]] bool ParseOptionNumber(const OptionRow& row, const std::string& shownName, const std::string& text,
                                     long* value, std::string* error);

// The usage line, the summary, then one line per option (and heading) as the table orders them,
// the help texts starting in one column.
std::string OptionHelp(const char* usage, const char* summary, std::span<const OptionRow> table);
// A row's help text with its range and default filled in, its lines joined by '\n'.
std::string OptionHelpText(const OptionRow& row);
// How a row's default reads: "4", "960x720"; "" for a kind without one.
std::string OptionDefaultText(const OptionRow& row);
