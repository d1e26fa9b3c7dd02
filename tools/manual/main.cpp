// Makes a program's man page from its template in man/: the OPTIONS section from the program's
// option table and the EXIT STATUS section from its table of exit codes, so the page says what
// --help says and what the program returns. Run by the build:
//   manual sideways|sideways-capture VERSION TEMPLATE OUTPUT
// The template's lines "@OPTIONS@" and "@EXIT_STATUS@" become the sections' entries, and
// "@PROJECT_VERSION@" becomes VERSION.
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/viewer_options.h"
#include "capture/options.h"
#include "files.h"

// Text as roff prints it: backslashes and hyphens escaped.
static std::string Escaped(std::string_view text)
{
    std::string out;
    for (const char c : text)
        out += c == '\\' ? std::string("\\e") : c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

// "\fB\-h\fR, \fB\-\-help\fR" or "\fB\-\-window\fR [\fIWxH\fR]": an entry's tag.
static std::string Tag(const OptionRow& row)
{
    std::string tag;
    if (row.alias != nullptr)
        tag += "\\fB" + Escaped(row.alias) + "\\fR, ";
    tag += "\\fB" + Escaped(row.name) + "\\fR";
    if (row.argument != nullptr) {
        const std::string_view argument = row.argument;
        if (argument.front() == '[')
            tag += " [\\fI" + Escaped(argument.substr(1, argument.size() - 2)) + "\\fR]";
        else
            tag += " \\fI" + Escaped(argument) + "\\fR";
    }
    return tag;
}

// The help text as a sentence: its lines joined, a capital first, a full stop last.
static std::string Sentence(const OptionRow& row)
{
    std::string text = OptionHelpText(row);
    for (char& c : text)
        c = c == '\n' ? ' ' : c;
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

static std::string OptionsSection(std::span<const OptionRow> table)
{
    std::string text;
    for (const OptionRow& row : table) {
        if (row.kind == OptionKind::Heading) {
            std::string heading = row.name;
            if (!heading.empty() && heading.back() == ':')
                heading.pop_back();
            text += ".SS " + Escaped(heading) + "\n";
            continue;
        }
        text += ".TP\n" + Tag(row) + "\n" + Escaped(Sentence(row)) + "\n";
        if (row.more != nullptr)
            text += Escaped(row.more) + "\n";
    }
    return text;
}

static std::string ExitSection(std::span<const ExitRow> codes)
{
    std::string text;
    for (const ExitRow& row : codes) {
        text += ".TP\n";
        text += row.code == ExitSignalBase ? ".BI " + std::to_string(row.code) + "+ N\n"
                                           : ".B " + std::to_string(row.code) + "\n";
        text += Escaped(row.meaning) + "\n";
    }
    return text;
}

// Replaces the line that is exactly marker (with its newline) by lines.
static bool ReplaceLine(std::string* page, const std::string& marker, const std::string& lines)
{
    const size_t at = page->find("\n" + marker + "\n");
    if (at == std::string::npos)
        return false;
    page->replace(at + 1, marker.size() + 1, lines);
    return true;
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fputs("usage: manual sideways|sideways-capture VERSION TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    const std::string program = argv[1];
    if (program != "sideways" && program != "sideways-capture") {
        std::fprintf(stderr, "manual: no option table for '%s'\n", argv[1]);
        return 2;
    }
    const bool viewer = program == "sideways";
    std::string page, error;
    if (!ReadFile(argv[3], &page, &error)) {
        std::fprintf(stderr, "manual: %s\n", error.c_str());
        return 1;
    }
    const std::string options = viewer ? OptionsSection(ViewerOptionTable) : OptionsSection(CaptureOptionTable);
    const std::string exits = ExitSection(viewer ? ViewerExitCodes : CaptureExitCodes);
    if (!ReplaceLine(&page, "@OPTIONS@", options) || !ReplaceLine(&page, "@EXIT_STATUS@", exits)) {
        std::fprintf(stderr, "manual: %s needs the lines @OPTIONS@ and @EXIT_STATUS@\n", argv[3]);
        return 1;
    }
    for (size_t at = page.find("@PROJECT_VERSION@"); at != std::string::npos; at = page.find("@PROJECT_VERSION@"))
        page.replace(at, 17, argv[2]);
    if (!WriteFileAtomically(argv[4], page, &error)) {
        std::fprintf(stderr, "manual: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
