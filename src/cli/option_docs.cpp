#include "cli/option_docs.h"

#include "cli/options.h"

#include <stdexcept>
#include <vector>

namespace ostrel::cli {

namespace {

// A name as roff writes it: every minus escaped.
std::string Roff(std::string_view text)
{
    std::string roff;
    for (const char c : text) {
        if (c == '-')
            roff += '\\';
        roff += c;
    }
    return roff;
}

// The item's tag: ".BI \-o ", " \-\-output " FILE"", the value in italics, its brackets and bars
// upright.
std::string ManualTag(const TOptionSpec& option)
{
    std::string names;
    if (option.Short != '\0')
        names.append("\\-").append(1, option.Short).append(" \", \" ");
    names.append(Roff("--")).append(Roff(option.Long));
    if (option.Value.empty())
        return (option.Short != '\0' ? ".BR " : ".B ") + names;
    std::string value;
    for (const char c : FilledText(option.Value, option, true)) {
        if (c == '[' || c == ']' || c == '|')
            value.append("\\fR").append(1, c).append("\\fP");
        else
            value += c;
    }
    return ".BI " + names + " \" " + value + "\"";
}

// Names and choices go into the script unquoted.
std::string_view Word(std::string_view text)
{
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
            || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
        if (!plain)
            throw std::logic_error("not a plain word for the completion: " + std::string(text));
    }
    return text;
}

// "-o | --output" or "--kml-version".
std::string Pattern(const TOptionSpec& option)
{
    std::string pattern;
    if (option.Short != '\0')
        pattern.append("-").append(1, option.Short).append(" | ");
    return pattern.append("--").append(Word(option.Long));
}

// Ranges of at most this many numbers are offered number by number.
constexpr long long kListedNumbers = 20;

// The words offered for an option's value; nothing when there are none to offer.
std::string OfferedWords(const TOptionSpec& option)
{
    std::string words;
    if (option.Kind == TValueKind::Choice) {
        for (const std::string_view choice : option.Choices())
            words.append(words.empty() ? "" : " ").append(Word(choice));
    } else if (option.Kind == TValueKind::Integer && option.Max - option.Min < kListedNumbers) {
        for (long long n = option.Min; n <= option.Max; ++n)
            words.append(words.empty() ? "" : " ").append(std::to_string(n));
    }
    return words;
}

std::string CaseBranch(std::string_view patterns, std::string_view body)
{
    return "    " + std::string(patterns) + ")\n" + std::string(body)
        + "        return\n        ;;\n";
}

// Replaces the first `name` in text; throws when there is none.
void Replace(std::string& text, std::string_view name, std::string_view by)
{
    const std::size_t at = text.find(name);
    if (at == std::string::npos)
        throw std::runtime_error("the template has no " + std::string(name));
    text.replace(at, name.size(), by);
}

} // namespace

std::string ManualOptionItems(const std::vector<TOptionEntry>& entries)
{
    std::string items;
    for (const TOptionEntry& entry : entries) {
        items.append(".TP\n").append(ManualTag(*entry.Spec)).append("\n");
        if (!entry.Formats.empty()) {
            std::string formats;
            for (const std::string_view format : entry.Formats)
                formats.append(formats.empty() ? "" : ", ").append(format);
            items.append(formats).append(":\n");
        }
        items.append(FilledText(entry.Spec->Manual, *entry.Spec, true)).append("\n");
    }
    return items;
}

std::string CompletionOptionWords(const std::vector<TOptionEntry>& entries)
{
    // Lines of at most 72 characters of names, the further ones indented.
    constexpr std::size_t kLine = 72;
    std::string words;
    std::size_t lineStart = 0;
    for (const TOptionEntry& entry : entries) {
        std::string names;
        if (entry.Spec->Short != '\0')
            names.append("-").append(1, entry.Spec->Short).append(" ");
        names.append("--").append(Word(entry.Spec->Long));
        if (!words.empty()) {
            if (words.size() - lineStart + 1 + names.size() > kLine) {
                words += "\n    ";
                lineStart = words.size();
            } else {
                words += ' ';
            }
        }
        words += names;
    }
    return words;
}

std::string CompletionValueCases(const std::vector<TOptionEntry>& entries)
{
    std::string cases;
    std::string own; // values of the user's own: nothing to offer
    std::string ends; // options that end the command line
    const auto add = [](std::string& patterns, const TOptionSpec& option) {
        patterns.append(patterns.empty() ? "" : " | ").append(Pattern(option));
    };
    for (const TOptionEntry& entry : entries) {
        const TOptionSpec& option = *entry.Spec;
        const std::string words = OfferedWords(option);
        if (entry.EndsCommandLine)
            add(ends, option);
        else if (option.Kind == TValueKind::Path)
            cases += CaseBranch(Pattern(option), "        _filedir\n");
        else if (option.Kind == TValueKind::Folder)
            cases += CaseBranch(Pattern(option), "        _filedir -d\n");
        else if (!words.empty())
            cases += CaseBranch(Pattern(option),
                "        COMPREPLY=($(compgen -W \"" + words + "\" -- \"$cur\"))\n");
        else if (option.Kind != TValueKind::None)
            add(own, option);
    }
    if (!own.empty())
        cases += CaseBranch(own, "        # A value of the user's own: nothing to offer.\n");
    if (!ends.empty())
        cases += CaseBranch(ends, "");
    return cases;
}

std::string FilledTemplate(
    std::string_view which, std::string_view text, const std::vector<TOptionEntry>& entries)
{
    std::string filled(text);
    if (which == "man") {
        Replace(filled, "\n{options}\n", "\n" + ManualOptionItems(entries));
    } else if (which == "completion") {
        Replace(filled, "{options}", CompletionOptionWords(entries));
        Replace(filled, "{value cases}\n", CompletionValueCases(entries));
    } else {
        throw std::runtime_error("no template named '" + std::string(which) + "'");
    }
    return filled;
}

} // namespace ostrel::cli
