#pragma once

// The converter's messages in the languages of its front ends. One table holds the text of every
// error kind in every language, so that the window and ostrel-convert show the same text for the
// same error. Japanese is the converter's first language: what() of every error is its Japanese
// text.

#include "core/errors.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

enum class TLanguage
{
    Japanese,
    English,
};

// The table's template of a kind in a language, with "%s" for the error's text and "%d" for its
// number where the kind has them.
std::string_view MessageTemplate(TErrorKind kind, TLanguage language);

// The kind's name for scripts (ostrel-convert --json): snake_case, "time_conversion",
// "file_not_found", ...; a name once given never changes.
std::string_view ErrorKindName(TErrorKind kind);

// The template with its "%s" replaced by text (a second "%s" by otherText) and its "%d" by
// number.
std::string FormatMessage(TErrorKind kind, TLanguage language, std::string_view text = {},
    long long number = 0, std::string_view otherText = {});

// The error's message in the language.
std::string MessageText(const Error& error, TLanguage language);

// The file at fault and the system's reason: "output folder '/x': No such file or directory".
std::string FaultText(const TFileFault& fault, TLanguage language);

// The system's own text for one of its error codes (errno, or a Windows error code) in the
// language, where the system has it; English otherwise.
std::string SystemMessage(int code, TLanguage language);

// What a front end shows of an error: its message in the language, the log line it came from,
// if any, its kind, and for an error of another file than the log, which file and why (FaultText).
// Running out of memory says so; other errors from outside the family show their what() and
// have no kind;
// anything else "unknown error".
// Hint: what was expected or what to do, one sentence (HintText), for the front ends that
// teach as well as tell (the window).
struct TErrorReport
{
    std::string Message;
    std::optional<std::uint64_t> Line; // counted from 1
    std::optional<TErrorKind> Kind;
    std::optional<std::string> Detail;
    std::optional<std::string> Hint;
};
TErrorReport ReportOf(const std::exception_ptr& error, TLanguage language);

// What was expected or what to do about an error raised while a log was converted, as one
// sentence in the language: the form of the log's field at fault, that the file holds no record
// line at all (a field's error from no record line), or the step to take about a file. Nothing
// where there is no more to say than the message.
std::optional<std::string> HintText(const Error& error, TLanguage language);

// "ja" and "en" name the two languages; anything else names none.
std::optional<TLanguage> LanguageNamed(std::string_view name);

// The language of a locale name such as "ja_JP.UTF-8": Japanese for names starting with "ja",
// English for any other.
TLanguage LanguageOfLocale(std::string_view locale);

// The language of the messages, as the C library picks its locale for them: the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty decides; English when none is.
// getenv is the environment's lookup (std::getenv in the program).
TLanguage LanguageOfEnvironment(const std::function<const char*(const char*)>& getenv);

} // namespace ostrel
