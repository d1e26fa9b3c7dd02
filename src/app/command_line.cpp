#include "app/command_line.h"

#include <algorithm>
#include <cstring>

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

static std::string RangeText(const OptionSpec& spec)
{
    return "from " + std::to_string(spec.low) + " to " + std::to_string(spec.high);
}

bool ParseOptionNumber(const OptionSpec& spec, const std::string& shownName, const std::string& text, long* value,
                       std::string* error)
{
    if (ParseWholeNumber(text, spec.low, spec.high, value))
        return true;
    *error = shownName + " takes " + spec.what + " " + RangeText(spec) + ", not '" + text + "'";
    return false;
}

// WIDTHxHEIGHT, each side in the option's range.
static bool ParseSize(const OptionSpec& spec, const std::string& text, GivenOption* option, std::string* error)
{
    const size_t x = text.find('x');
    if (x == std::string::npos || !ParseWholeNumber(text.substr(0, x), spec.low, spec.high, &option->width) ||
        !ParseWholeNumber(text.substr(x + 1), spec.low, spec.high, &option->height)) {
        *error = std::string(spec.name) + " takes " + spec.what + ", each " + RangeText(spec) + ", not '" + text + "'";
        return false;
    }
    return true;
}

static const OptionSpec* FindSpec(std::span<const OptionSpec> table, const std::string& name)
{
    for (const OptionSpec& spec : table)
        if (spec.kind != OptionKind::Heading && (name == spec.name || (spec.alias != nullptr && name == spec.alias)))
            return &spec;
    return nullptr;
}

bool ParseCommandLine(std::span<const OptionSpec> table, int argc, const char* const* argv,
                      std::vector<GivenOption>* given, std::string* error)
{
    given->clear();
    for (int i = 0; i < argc; ++i) {
        const std::string name = argv[i];
        const OptionSpec* spec = FindSpec(table, name);
        if (spec == nullptr) {
            *error = "unknown option '" + name + "'";
            return false;
        }
        if (FindGiven(*given, spec->name) != nullptr) {
            *error = name + " given twice";
            return false;
        }
        GivenOption& option = given->emplace_back(GivenOption{spec, "", 0, 0, 0});
        switch (spec->kind) {
        case OptionKind::Heading:
        case OptionKind::Flag:
            break;
        case OptionKind::Stop:
            return true;
        case OptionKind::Size:
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                option.text = argv[++i];
                if (!ParseSize(*spec, option.text, &option, error))
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
            if (spec->kind == OptionKind::Number && !ParseOptionNumber(*spec, name, option.text, &option.number, error))
                return false;
            if (spec->kind == OptionKind::Text && option.text.empty()) {
                *error = name + " needs " + spec->what;
                return false;
            }
            break;
        }
    }
    return true;
}

const GivenOption* FindGiven(const std::vector<GivenOption>& given, const char* name)
{
    for (const GivenOption& option : given)
        if (std::strcmp(option.spec->name, name) == 0)
            return &option;
    return nullptr;
}

static void ReplaceAll(std::string* text, const std::string& from, const std::string& to)
{
    for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
        text->replace(at, from.size(), to);
}

// "  -h, --help" or "  --from ORDER": what a help line starts with.
static std::string Spelling(const OptionSpec& spec)
{
    std::string text = "  ";
    if (spec.alias != nullptr)
        text += std::string(spec.alias) + ", ";
    text += spec.name;
    if (spec.argument != nullptr)
        text += std::string(" ") + spec.argument;
    return text;
}

std::string OptionHelp(const char* usage, const char* summary, std::span<const OptionSpec> table)
{
    size_t column = 0;
    for (const OptionSpec& spec : table)
        if (spec.kind != OptionKind::Heading)
            column = std::max(column, Spelling(spec).size() + 2);
    std::string text = std::string("usage: ") + usage + "\n" + summary + "\n";
    std::string indent = "\n";
    indent.append(column, ' ');
    for (const OptionSpec& spec : table) {
        if (spec.kind == OptionKind::Heading) {
            text += std::string(spec.name) + "\n";
            continue;
        }
        std::string help = spec.help;
        ReplaceAll(&help, "{low}", std::to_string(spec.low));
        ReplaceAll(&help, "{high}", std::to_string(spec.high));
        ReplaceAll(&help, "\n", indent);
        const std::string spelling = Spelling(spec);
        text += spelling;
        text.append(column - spelling.size(), ' ');
        text += help + "\n";
    }
    return text;
}
