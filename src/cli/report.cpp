#include "cli/report.h"

#include "cli/json_lines.h"
#include "conversion/statistics_rows.h"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

namespace ostrel::cli {

std::string SummaryText(const TConversionResult& result, const TSeparators& separators)
{
    const std::vector<TStatisticRow> rows = StatisticRows(
        result.Counts, result.Statistics, result.TotalMetres, result.Cleaned, result.Parts);
    const auto value = [&](std::string_view key) {
        return RowNamed(rows, key).Text(separators);
    };
    std::string text;
    text += "  records:        " + value("records") + " (kept " + value("kept") + ", dropped "
        + value("dropped_too_fast") + " too fast and " + value("dropped_repeated_time")
        + " with a repeated time; " + value("other_lines") + " other lines)\n";
    if (result.Cleaned) {
        text += "  cleaning:       " + value("dropped_spike") + " spike, "
            + value("dropped_outlier_start") + " outlier start, " + value("dropped_standing")
            + " standing, " + value("dropped_outside_time") + " outside the time, "
            + value("dropped_private") + " private; " + value("simplified") + " simplified; "
            + value("segments") + " segments; " + value("parts") + " parts\n";
    }
    text += "  start:          " + value("start") + "\n";
    text += "  end:            " + value("end") + "\n";
    text += "  duration:       " + value("duration_s") + "\n";
    text += "  moving time:    " + value("moving_time_s") + "\n";
    text += "  length:         " + value("length_m") + "\n";
    text += "  average speed:  " + value("average_speed_kmh") + " (moving "
        + value("moving_speed_kmh") + ")\n";
    text += "  maximum speed:  " + value("max_speed_kmh") + "\n";
    text += "  bounds:         " + value("south") + " .. " + value("north") + " N, " + value("west")
        + " .. " + value("east") + " E\n";
    return text;
}

namespace {

// "length_km" and "statistics" of a converted output.
void AddResult(nlohmann::ordered_json& line, const TConversionResult& result)
{
    line["length_km"] = Rounded(result.TotalMetres / 1000, 2);
    nlohmann::ordered_json& statistics = line["statistics"];
    for (const TStatisticRow& row : StatisticRows(
             result.Counts, result.Statistics, result.TotalMetres, result.Cleaned, result.Parts)) {
        nlohmann::ordered_json& object
            = row.Group.empty() ? statistics : statistics[std::string(row.Group)];
        const std::string key(row.Key);
        if (row.Unit == TStatisticUnit::Count)
            object[key] = static_cast<std::uint64_t>(row.Value);
        else if (row.Unit == TStatisticUnit::UtcTime)
            object[key] = row.Text({});
        else
            object[key] = row.JsonNumber();
    }
}

} // namespace

std::string JsonLine(const std::string& input, const std::optional<std::string>& output,
    const TConversionResult* result, const TErrorReport* error)
{
    nlohmann::ordered_json line;
    line["input"] = input;
    if (output)
        line["output"] = *output;
    if (error)
        AddError(line, *error);
    if (result)
        AddResult(line, *result);
    return Dumped(line);
}

std::string MergeJsonLine(const std::vector<std::string>& inputs, const std::string& output,
    const TConversionResult* result, const TErrorReport* error)
{
    nlohmann::ordered_json line;
    line["inputs"] = inputs;
    line["output"] = output;
    if (error)
        AddError(line, *error);
    if (result)
        AddResult(line, *result);
    return Dumped(line);
}

} // namespace ostrel::cli
