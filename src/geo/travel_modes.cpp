#include "geo/travel_modes.h"

#include <array>

namespace ostrel {

namespace {

const std::array<TTravelMode, 4> kModes = { {
    { "walk", "徒歩(~10km/h)", "Walk (~10 km/h)", 10.0 },
    { "jog", "ジョギング(~25km/h)", "Jog (~25 km/h)", 25.0 },
    { "bicycle", "自転車(~70km/h)", "Bicycle (~70 km/h)", 70.0 },
    { "car", "自動車(~150km/h)", "Car (~150 km/h)", 150.0 },
} };

} // namespace

std::span<const TTravelMode> TravelModes()
{
    return kModes;
}

const TTravelMode* TravelModeNamed(std::string_view name)
{
    for (const TTravelMode& mode : kModes) {
        if (mode.Name == name)
            return &mode;
    }
    return nullptr;
}

} // namespace ostrel
