#include "app/command_line.h"

#include <algorithm>

// A decimal number in [low, high]: at most nine digits, with a leading minus only where the range
// has negative numbers (so "-0" is no count). False, with *value untouched, for anything else.
static bool ParseWholeNumber(const std::string& text, long low, long high, long* value)
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

static std::string RangeText(const OptionRow& row)
{
    return "from " + std::to_string(row.low) + " to " + std::to_string(row.high);
}

bool ParseOptionNumber(const OptionRow& row, const std::string& shownName, const std::string& text, long* value,
                       std::string* error)
{
    if (ParseWholeNumber(text, row.low, row.high, value))
        return true;
    *error = shownName + " takes " + row.what + " " + RangeText(row) + ", not '" + text + "'";
    return false;
}

// WIDTHxHEIGHT, each side in the option's range.
static bool ParseSize(const OptionRow& row, const std::string& text, GivenOption* option, std::string* error)
{
    const size_t x = text.find('x');
    if (x == std::string::npos || !ParseWholeNumber(text.substr(0, x), row.low, row.high, &option->width) ||
        !ParseWholeNumber(text.substr(x + 1), row.low, row.high, &option->height)) {
        *error = std::string(row.name) + " takes " + row.what + ", each " + RangeText(row) + ", not '" + text + "'";
        return false;
    }
    return true;
}

static const OptionRow* FindRow(std::span<const OptionRow> table, const std::string& name)
{
    for (const OptionRow& row : table)
        if (row.kind != OptionKind::Heading && (name == row.name || (row.alias != nullptr && name == row.alias)))
            return &row;
    return nullptr;
}

bool ParseCommandLine(std::span<const OptionRow> table, int argc, const char* const* argv,
                      std::vector<GivenOption>* given, std::string* error)
{
    given->clear();
    for (int i = 0; i < argc; ++i) {
        const std::string name = argv[i];
        const OptionRow* row = FindRow(table, name);
        if (row == nullptr) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (FindGiven(*given, row->id) != nullptr) {
            *error = name + " given twice";
            return false;
        }
        GivenOption& option = given->emplace_back(GivenOption{row, "", 0, 0, 0});
        switch (row->kind) {
        case OptionKind::Heading:
        case OptionKind::Flag:
            break;
        case OptionKind::Stop:
            return true;
        case OptionKind::Size:
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                option.text = argv[++i];
                if (!ParseSize(*row, option.text, &option, error))
                    return false;
            }
            break;
        case OptionKind::Number:
        case OptionKind::Text:
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            option.text = argv[++i];
            if (row->kind == OptionKind::Number && !ParseOptionNumber(*row, name, option.text, &option.number, error))
                return false;
            if (row->kind == OptionKind::Text && option.text.empty()) {
                *error = name + " needs " + row->what;
                return false;
            }
            break;
        }
    }
    return true;
}

const GivenOption* FindGiven(const std::vector<GivenOption>& given, int id)
{
    for (const GivenOption& option : given)
        if (option.row->id == id)
            return &option;
    return nullptr;
}

static void ReplaceAll(std::string* text, const std::string& from, const std::string& to)
{
    for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
        text->replace(at, from.size(), to);
}

// "  -h, --help" or "  --from ORDER": what a help line starts with.
static std::string Spelling(const OptionRow& row)
{
    std::string text = "  ";
    if (row.alias != nullptr)
        text += std::string(row.alias) + ", ";
    text += row.name;
    if (row.argument != nullptr)
        text += std::string(" ") + row.argument;
    return text;
}

std::string OptionDefaultText(const OptionRow& row)
{
    if (row.kind == OptionKind::Number)
        return std::to_string(row.initial);
    if (row.kind == OptionKind::Size)
        return std::to_string(row.initial) + "x" + std::to_string(row.initialHeight);
    return "";
}

std::string OptionHelpText(const OptionRow& row)
{
    std::string help = row.help;
    ReplaceAll(&help, "{low}", std::to_string(row.low));
    ReplaceAll(&help, "{high}", std::to_string(row.high));
    ReplaceAll(&help, "{default}", OptionDefaultText(row));
    return help;
}

std::string OptionHelp(const char* usage, const char* summary, std::span<const OptionRow> table)
{
    size_t column = 0;
    for (const OptionRow& row : table)
        if (row.kind != OptionKind::Heading)
            column = std::max(column, Spelling(row).size() + 2);
    std::string text = std::string("usage: ") + usage + "\n" + summary + "\n";
    std::string indent = "\n";
    indent.append(column, ' ');
    for (const OptionRow& row : table) {
        if (row.kind == OptionKind::Heading) {
            text += std::string(row.name) + "\n";
            continue;
        }
        std::string help = OptionHelpText(row);
        ReplaceAll(&help, "\n", indent);
        const std::string spelling = Spelling(row);
        text += spelling;
        text.append(column - spelling.size(), ' ');
        text += help + "\n";
    }
    return text;
}
