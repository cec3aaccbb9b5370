#include "cli/report.h"

#include "text/date_text.h"
#include "text/number_text.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace ostrel::cli {

namespace {

// A number for JSON, rounded to `decimals` decimals (JSON writes the shortest text that reads
// back as the same double, so 0.47 stays "0.47").
double Rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

} // namespace

std::string SummaryText(const TConversionResult& result, const TSeparators& separators)
{
    const TTrackCounts& c = result.Counts;
    const TTrackStatistics& s = result.Statistics;
    const std::string& dot = separators.Decimal;
    auto fixed = [&](double value, int decimals) {
        return FormatFixed(value, 15, decimals, dot);
    };
    std::string text;
    text += "  records:        " + std::to_string(c.Records) + " (kept " + std::to_string(c.Kept)
        + ", dropped " + std::to_string(c.DroppedTooFast) + " too fast and "
        + std::to_string(c.DroppedRepeatedTime) + " with a repeated time; "
        + std::to_string(c.OtherLines) + " other lines)\n";
    text += "  start:          " + FormatUtcTime(s.StartUtc) + "\n";
    text += "  end:            " + FormatUtcTime(s.EndUtc) + "\n";
    text += "  duration:       " + FormatDuration(s.DurationSeconds()) + "\n";
    text += "  moving time:    " + FormatDuration(s.MovingSeconds()) + "\n";
    text += "  length:         " + fixed(result.TotalMetres / 1000, 2) + " km\n";
    text += "  average speed:  " + fixed(s.AverageSpeedKmh(result.TotalMetres), 1)
        + " km/h (moving " + fixed(s.MovingSpeedKmh(), 1) + " km/h)\n";
    text += "  maximum speed:  " + fixed(s.MaxSpeedKmh, 1) + " km/h\n";
    text += "  bounds:         " + fixed(s.MinLat, 8) + " .. " + fixed(s.MaxLat, 8) + " N, "
        + fixed(s.MinLon, 8) + " .. " + fixed(s.MaxLon, 8) + " E\n";
    return text;
}

std::string JsonLine(const std::string& input, const std::optional<std::string>& output,
    const TConversionResult* result, const TErrorReport* error)
{
    nlohmann::ordered_json line;
    line["input"] = input;
    if (output)
        line["output"] = *output;
    if (error) {
        line["error"] = error->Message;
        if (error->Kind)
            line["kind"] = std::string(ErrorKindName(*error->Kind));
        if (error->Line)
            line["line"] = *error->Line;
        if (error->Detail)
            line["detail"] = *error->Detail;
    }
    if (result) {
        const TTrackCounts& c = result->Counts;
        const TTrackStatistics& s = result->Statistics;
        line["length_km"] = Rounded(result->TotalMetres / 1000, 2);
        nlohmann::ordered_json& st = line["statistics"];
        st["records"] = c.Records;
        st["kept"] = c.Kept;
        st["dropped_too_fast"] = c.DroppedTooFast;
        st["dropped_repeated_time"] = c.DroppedRepeatedTime;
        st["other_lines"] = c.OtherLines;
        st["start"] = FormatUtcTime(s.StartUtc);
        st["end"] = FormatUtcTime(s.EndUtc);
        st["duration_s"] = Rounded(s.DurationSeconds(), 3);
        st["moving_time_s"] = Rounded(s.MovingSeconds(), 3);
        st["length_m"] = Rounded(result->TotalMetres, 3);
        st["moving_length_m"] = Rounded(s.MovingMetres, 3);
        st["average_speed_kmh"] = Rounded(s.AverageSpeedKmh(result->TotalMetres), 3);
        st["moving_speed_kmh"] = Rounded(s.MovingSpeedKmh(), 3);
        st["max_speed_kmh"] = Rounded(s.MaxSpeedKmh, 3);
        st["bounds"] = { { "south", Rounded(s.MinLat, 8) }, { "west", Rounded(s.MinLon, 8) },
            { "north", Rounded(s.MaxLat, 8) }, { "east", Rounded(s.MaxLon, 8) } };
    }
    // Invalid UTF-8 in a name is shown with replacement characters rather than refused.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace ostrel::cli
