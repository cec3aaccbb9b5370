#pragma once

// The decimal, date and time separators of the user's regional settings, for the texts meant for
// people. Each separator must be one character; where the settings give something else (none,
// several characters, or different ones between the fields as in "%Y年%m月%d日") the fixed
// ".", "/" or ":" stands in.

#include "core/settings.h"

#include <string>
#include <string_view>

namespace ostrel::cli {

// The one character (UTF-8) of text, or nothing when text is not exactly one character.
std::string SingleCharacter(std::string_view text);

// The separators from a decimal point text and the date and time formats of a POSIX locale
// (strftime conversions, e.g. "%d.%m.%Y" and "%H:%M:%S").
TSeparators SeparatorsFromFormats(
    std::string_view decimal, std::string_view dateFormat, std::string_view timeFormat);

// The separators of a named locale; the empty name stands for the user's regional settings (on
// POSIX the LC_ALL, LC_NUMERIC, LC_TIME and LANG variables). An unknown locale gives the fixed
// ".", "/", ":", as the C and POSIX locales do. The process-wide locale is left unchanged.
TSeparators LocaleSeparators(const std::string& localeName);

} // namespace ostrel::cli
