#include "core/number_input.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace ostrel {

namespace {

// std::from_chars takes a leading "-" but no "+": one "+" is dropped, unless a sign follows it.
std::string_view WithoutPlus(std::string_view text)
{
    if (text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<long long> ParseWholeNumber(std::string_view text)
{
    text = WithoutPlus(text);
    long long value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<double> ParseFiniteNumber(std::string_view text)
{
    text = WithoutPlus(text);
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> FixedDigits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at > text.size() || count > text.size() - at)
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace ostrel
