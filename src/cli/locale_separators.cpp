#include "cli/locale_separators.h"

#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#endif

namespace ostrel::cli {

namespace {

// One piece of a strftime format: a conversion (its letter) or a literal text.
struct TFormatPiece
{
    char Conversion = '\0'; // '\0' for a literal
    std::string Literal;
};

// The composite conversions written out, so that "%T" shows its colons.
std::string_view Expansion(char conversion)
{
    switch (conversion) {
    case 'D':
        return "%m/%d/%y";
    case 'F':
        return "%Y-%m-%d";
    case 'T':
        return "%H:%M:%S";
    case 'R':
        return "%H:%M";
    case 'r':
        return "%I:%M:%S %p";
    default:
        return {};
    }
}

void SplitFormat(std::string_view format, std::vector<TFormatPiece>& pieces, int depth = 0)
{
    auto addLiteral = [&pieces](std::string_view text) {
        if (pieces.empty() || pieces.back().Conversion != '\0')
            pieces.push_back({});
        pieces.back().Literal += text;
    };
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            addLiteral(format.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        // Flags, a field width and the E or O modifier of glibc.
        while (j < format.size()
            && (format[j] == '_' || format[j] == '-' || format[j] == '0' || format[j] == '^'
                || format[j] == '#' || (format[j] >= '1' && format[j] <= '9')))
            ++j;
        if (j < format.size() && (format[j] == 'E' || format[j] == 'O'))
            ++j;
        if (j >= format.size()) {
            addLiteral(format.substr(i));
            break;
        }
        const char conversion = format[j];
        if (conversion == '%') {
            addLiteral("%");
        } else if (const std::string_view inner = Expansion(conversion);
                   !inner.empty() && depth == 0) {
            SplitFormat(inner, pieces, depth + 1);
        } else {
            pieces.push_back({ conversion, {} });
        }
        i = j + 1;
    }
}

// The separator that stands between every two neighbouring fields of a format, the fields being
// the conversions listed in fields; nothing when there is none or they differ.
std::string FieldSeparator(std::string_view format, std::string_view fields)
{
    std::vector<TFormatPiece> pieces;
    SplitFormat(format, pieces);
    auto isField = [&](std::size_t k) {
        return k < pieces.size() && pieces[k].Conversion != '\0'
            && fields.find(pieces[k].Conversion) != std::string_view::npos;
    };
    std::vector<std::string> between;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (!isField(k))
            continue;
        if (isField(k + 1))
            between.emplace_back(); // two fields with nothing between them
        else if (k + 2 < pieces.size() && pieces[k + 1].Conversion == '\0' && isField(k + 2))
            between.push_back(pieces[k + 1].Literal);
    }
    if (between.empty())
        return {};
    for (const std::string& text : between) {
        if (text != between.front())
            return {};
    }
    return SingleCharacter(between.front());
}

TSeparators Completed(std::string decimal, std::string date, std::string time)
{
    TSeparators separators;
    if (!decimal.empty())
        separators.Decimal = std::move(decimal);
    if (!date.empty())
        separators.Date = std::move(date);
    if (!time.empty())
        separators.Time = std::move(time);
    return separators;
}

#ifdef _WIN32
std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int size
        = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string LocaleText(LPCWSTR locale, LCTYPE item)
{
    wchar_t buffer[16] = {};
    const int length = GetLocaleInfoEx(locale, item, buffer, 16);
    if (length <= 1)
        return {};
    char utf8[64] = {};
    const int size
        = WideCharToMultiByte(CP_UTF8, 0, buffer, length - 1, utf8, sizeof utf8, nullptr, nullptr);
    if (size <= 0)
        return {};
    return std::string(utf8, static_cast<std::size_t>(size));
}
#endif

} // namespace

std::string SingleCharacter(std::string_view text)
{
    if (text.empty())
        return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    if (lead < 0x80)
        length = (lead < 0x20 || lead == 0x7F) ? 0 : 1;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || text.size() != length)
        return {};
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80)
            return {};
    }
    return std::string(text);
}

TSeparators SeparatorsFromFormats(
    std::string_view decimal, std::string_view dateFormat, std::string_view timeFormat)
{
    return Completed(SingleCharacter(decimal), FieldSeparator(dateFormat, "deCmyYbBh"),
        FieldSeparator(timeFormat, "HIklMS"));
}

TSeparators LocaleSeparators(const std::string& localeName)
{
#ifdef _WIN32
    const std::wstring name = Widen(localeName);
    if (!localeName.empty() && name.empty())
        return {};
    const LPCWSTR locale = localeName.empty() ? LOCALE_NAME_USER_DEFAULT : name.c_str();
    return Completed(SingleCharacter(LocaleText(locale, LOCALE_SDECIMAL)),
        SingleCharacter(LocaleText(locale, LOCALE_SDATE)),
        SingleCharacter(LocaleText(locale, LOCALE_STIME)));
#else
    // Each category on its own, so that one unknown setting does not discard the others.
    std::string decimal = ".";
    std::string dateFormat = "%m/%d/%y";
    std::string timeFormat = "%H:%M:%S";
    if (locale_t numeric = newlocale(LC_NUMERIC_MASK, localeName.c_str(), locale_t()); numeric) {
        decimal = nl_langinfo_l(RADIXCHAR, numeric);
        freelocale(numeric);
    }
    if (locale_t time = newlocale(LC_TIME_MASK, localeName.c_str(), locale_t()); time) {
        dateFormat = nl_langinfo_l(D_FMT, time);
        timeFormat = nl_langinfo_l(T_FMT, time);
        freelocale(time);
    }
    return SeparatorsFromFormats(decimal, dateFormat, timeFormat);
#endif
}

} // namespace ostrel::cli
