#pragma once

// The numbers of a track as every front end shows them: one list of rows, each with its name for
// scripts (the members of --json), its label in each language (the preview's panel) and its
// value, as a number and as a text for people. The command line's summary, its JSON and the
// preview's panel all read these rows.

#include "core/messages.h"
#include "core/settings.h"
#include "geo/track.h"
#include "geo/track_statistics.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// What a row's number is, which decides its texts.
enum class TStatisticUnit
{
    Count, // a whole number
    UtcTime, // a day count; ISO 8601 UTC with "Z"
    Duration, // seconds; h:mm:ss for people
    Length, // metres; kilometres with 2 decimals for people
    Speed, // km/h; 1 decimal for people
    Degrees, // 8 decimals
};

struct TStatisticRow
{
    std::string_view Key; // the JSON member ("records", "duration_s", "south")
    std::string_view Group; // the JSON object it sits in ("bounds"), or empty
    std::string_view Japanese; // the label
    std::string_view English;
    TStatisticUnit Unit;
    double Value;

    std::string_view Label(TLanguage language) const
    {
        return language == TLanguage::Japanese ? Japanese : English;
    }
    // The value for people, with its unit: "12", "2007-05-12T03:04:05Z", "0:09:10", "0.47 km",
    // "3.1 km/h", "35.65205760"; decimals with the separator given.
    std::string Text(const TSeparators& separators) const;
    // The value for JSON: rounded to the decimals a script needs (counts and times are exact).
    double JsonNumber() const;
};

// The rows of a track in their order: the counts, start and end, duration and moving time, the
// lengths, the speeds, and the bounds; with cleaned (a cleaning stage was on), what the cleaning
// dropped, left out and split, after the speed filter's counts, and with parts given too, the
// parts of the conversion (the days of a log split by day, the logs of a merge).
std::vector<TStatisticRow> StatisticRows(const TTrackCounts& counts,
    const TTrackStatistics& statistics, double totalMetres, bool cleaned = false,
    std::optional<std::uint64_t> parts = std::nullopt);

// The row of a key; the rows always hold every key StatisticRows makes.
const TStatisticRow& RowNamed(const std::vector<TStatisticRow>& rows, std::string_view key);

} // namespace ostrel
