#include "conversion/statistics_rows.h"

#include "text/date_text.h"
#include "text/number_text.h"

#include <cmath>
#include <stdexcept>

namespace ostrel {

namespace {

// Decimals of a unit's text for people and of its JSON number.
struct TUnitDecimals
{
    int Text;
    int Json;
};

TUnitDecimals DecimalsOf(TStatisticUnit unit)
{
    switch (unit) {
    case TStatisticUnit::Length:
        return { 2, 3 }; // km for people, m for scripts
    case TStatisticUnit::Speed:
        return { 1, 3 };
    case TStatisticUnit::Duration:
        return { 0, 3 };
    case TStatisticUnit::Degrees:
        return { 8, 8 };
    case TStatisticUnit::Count:
    case TStatisticUnit::UtcTime:
        break;
    }
    return { 0, 0 };
}

} // namespace

std::string TStatisticRow::Text(const TSeparators& separators) const
{
    const std::string& dot = separators.Decimal;
    switch (Unit) {
    case TStatisticUnit::Count:
        return std::to_string(static_cast<unsigned long long>(Value));
    case TStatisticUnit::UtcTime:
        return FormatUtcTime(Value);
    case TStatisticUnit::Duration:
        return FormatDuration(Value);
    case TStatisticUnit::Length:
        return FormatFixed(Value / 1000, 15, DecimalsOf(Unit).Text, dot) + " km";
    case TStatisticUnit::Speed:
        return FormatFixed(Value, 15, DecimalsOf(Unit).Text, dot) + " km/h";
    case TStatisticUnit::Degrees:
        return FormatFixed(Value, 15, DecimalsOf(Unit).Text, dot);
    }
    return {};
}

double TStatisticRow::JsonNumber() const
{
    // JSON writes the shortest text that reads back as the same double, so 0.47 stays "0.47".
    const int decimals = DecimalsOf(Unit).Json;
    if (decimals == 0)
        return Value;
    const double scale = std::pow(10.0, decimals);
    return std::round(Value * scale) / scale;
}

std::vector<TStatisticRow> StatisticRows(const TTrackCounts& c, const TTrackStatistics& s,
    double totalMetres, bool cleaned, std::optional<std::uint64_t> parts)
{
    using U = TStatisticUnit;
    const auto count = [](std::uint64_t n) {
        return static_cast<double>(n);
    };
    std::vector<TStatisticRow> rows {
        { "records", "", "記録数", "Records", U::Count, count(c.Records) },
        { "kept", "", "採用", "Kept", U::Count, count(c.Kept) },
        { "dropped_too_fast", "", "除外（速すぎ）", "Dropped (too fast)", U::Count,
            count(c.DroppedBy(TDropCause::TooFast)) },
        { "dropped_repeated_time", "", "除外（時刻の重複）", "Dropped (repeated time)", U::Count,
            count(c.DroppedBy(TDropCause::RepeatedTime)) },
        { "other_lines", "", "その他の行", "Other lines", U::Count, count(c.OtherLines) },
        { "start", "", "開始 (UTC)", "Start (UTC)", U::UtcTime, s.StartUtc },
        { "end", "", "終了 (UTC)", "End (UTC)", U::UtcTime, s.EndUtc },
        { "duration_s", "", "所要時間", "Duration", U::Duration, s.DurationSeconds() },
        { "moving_time_s", "", "移動時間", "Moving time", U::Duration, s.MovingSeconds() },
        { "length_m", "", "距離", "Length", U::Length, totalMetres },
        { "moving_length_m", "", "移動距離", "Moving length", U::Length, s.MovingMetres },
        { "average_speed_kmh", "", "平均速度", "Average speed", U::Speed,
            s.AverageSpeedKmh(totalMetres) },
        { "moving_speed_kmh", "", "移動中の平均速度", "Moving average speed", U::Speed,
            s.MovingSpeedKmh() },
        { "max_speed_kmh", "", "最高速度", "Maximum speed", U::Speed, s.MaxSpeedKmh },
        { "south", "bounds", "南端", "South", U::Degrees, s.MinLat },
        { "west", "bounds", "西端", "West", U::Degrees, s.MinLon },
        { "north", "bounds", "北端", "North", U::Degrees, s.MaxLat },
        { "east", "bounds", "東端", "East", U::Degrees, s.MaxLon },
    };
    if (cleaned) {
        // What the cleaning did, after the counts.
        std::vector<TStatisticRow> cleaning {
            { "dropped_spike", "", "除外（スパイク）", "Dropped (spike)", U::Count,
                count(c.DroppedBy(TDropCause::Spike)) },
            { "dropped_outlier_start", "", "除外（外れた始点）", "Dropped (outlier start)",
                U::Count, count(c.DroppedBy(TDropCause::OutlierStart)) },
            { "dropped_standing", "", "除外（停止中）", "Dropped (standing)", U::Count,
                count(c.DroppedBy(TDropCause::Standing)) },
            { "dropped_outside_time", "", "除外（期間外）", "Dropped (outside the time)", U::Count,
                count(c.DroppedBy(TDropCause::OutsideTime)) },
            { "dropped_private", "", "除外（プライバシー）", "Dropped (private)", U::Count,
                count(c.DroppedBy(TDropCause::Private)) },
            { "simplified", "", "簡略化で省略", "Left out by simplification", U::Count,
                count(c.Simplified) },
            { "segments", "", "区間", "Segments", U::Count, count(s.Segments) },
        };
        if (parts)
            cleaning.push_back({ "parts", "", "部分", "Parts", U::Count, count(*parts) });
        rows.insert(rows.begin() + 4, cleaning.begin(), cleaning.end());
    }
    return rows;
}

const TStatisticRow& RowNamed(const std::vector<TStatisticRow>& rows, std::string_view key)
{
    for (const TStatisticRow& row : rows) {
        if (row.Key == key)
            return row;
    }
    throw std::out_of_range("no statistic named " + std::string(key));
}

} // namespace ostrel
