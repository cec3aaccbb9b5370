#include "writers/json_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace ostrel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the valid UTF-8 sequence that starts text at i, or 0 where none does (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t Utf8Length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    const unsigned char lead = byte(i);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong form
        else if (lead == 0xED)
            high = 0x9F; // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // up to U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

void AppendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            const std::size_t length = Utf8Length(text, i);
            if (length == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20) {
                out += "\\u00";
                out += kHex[u >> 4];
                out += kHex[u & 0xF];
            } else {
                out += c;
            }
        }
        ++i;
    }
    out += '"';
}

char* WriteJsonNumber(char* out, double value)
{
    if (!std::isfinite(value)) {
        std::memcpy(out, "null", 4);
        return out + 4;
    }
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    if (value == 0) {
        std::memcpy(out, "0.0", 3);
        return out + 3;
    }
    // The shortest digits d1.d2...dk and the exponent: value = 0.d1...dk * 10^n.
    char scientific[kMaxJsonNumber];
    const char* const end = std::to_chars(
        scientific, scientific + sizeof scientific, value, std::chars_format::scientific)
                                .ptr;
    const char* const e = std::find(static_cast<const char*>(scientific), end, 'e');
    char digits[24];
    int k = 0;
    for (const char* p = scientific; p != e; ++p) {
        if (*p != '.')
            digits[k++] = *p;
    }
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    const int n = exponent + 1;

    if (k <= n && n <= 15) {
        // 100.0: the digits, zeros up to the point, and a zero fraction.
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        out += k;
        out = std::fill_n(out, n - k, '0');
        std::memcpy(out, ".0", 2);
        return out + 2;
    }
    if (0 < n && n <= 15) {
        // 123.456
        std::memcpy(out, digits, static_cast<std::size_t>(n));
        out += n;
        *out++ = '.';
        std::memcpy(out, digits + n, static_cast<std::size_t>(k - n));
        return out + (k - n);
    }
    if (-4 < n && n <= 0) {
        // 0.000123
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -n, '0');
        std::memcpy(out, digits, static_cast<std::size_t>(k));
        return out + k;
    }
    // 1.5e+20, 1e-05: at least two digits of exponent.
    *out++ = digits[0];
    if (k > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, static_cast<std::size_t>(k - 1));
        out += k - 1;
    }
    *out++ = 'e';
    int power = n - 1;
    *out++ = power < 0 ? '-' : '+';
    power = power < 0 ? -power : power;
    if (power < 10)
        *out++ = '0';
    return std::to_chars(out, out + 4, power).ptr;
}

std::string FormatJsonNumber(double value)
{
    char text[kMaxJsonNumber];
    return { text, WriteJsonNumber(text, value) };
}

} // namespace ostrel
