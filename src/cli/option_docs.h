#pragma once

// The manual pages' option lists and the bash completions of ostrel-convert and ostrel-geotag,
// made from their option tables at build time (by ostrel-option-docs), so that they name what
// --help names.

#include "cli/options.h"

#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli {

// The manual page's items of the options (roff .TP paragraphs), in the order of --help. Those of
// some formats only begin with the formats' names.
std::string ManualOptionItems(const std::vector<TOptionEntry>& entries);

// The completion's words: every option's names, in the order of --help.
std::string CompletionOptionWords(const std::vector<TOptionEntry>& entries);

// The branches of the completion's "case $prev in" that complete an option's value: files,
// folders, the names of a choice, the numbers of a short range; nothing for a value of the
// user's own or after an option that ends the command line.
std::string CompletionValueCases(const std::vector<TOptionEntry>& entries);

// The manual page (which = "man") or the completion script (which = "completion") from its
// template: the line "{options}" of the page, or the texts "{options}" and "{value cases}" of the
// script, replaced. Throws std::runtime_error when the template lacks one, or for another which.
std::string FilledTemplate(
    std::string_view which, std::string_view text, const std::vector<TOptionEntry>& entries);

} // namespace ostrel::cli
