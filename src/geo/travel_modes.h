#pragma once

// The travel modes: the speed limits that make a fix implausible for a way of travelling. The
// window's mode buttons, the Convert command and the command line's --mode read this table.

#include <span>
#include <string_view>

namespace ostrel {

struct TTravelMode
{
    std::string_view Name; // on the command line: "walk"
    std::string_view Caption; // the window's button: "徒歩(~10km/h)"
    std::string_view EnglishCaption; // and in English: "Walk (~10 km/h)"
    double LimitKmh; // fixes at or above this speed are dropped (km/h)
};

// Walking, jogging, bicycle and car, in the window's order.
std::span<const TTravelMode> TravelModes();

// The mode of a command-line name; nothing for an unknown name.
const TTravelMode* TravelModeNamed(std::string_view name);

} // namespace ostrel
