#pragma once

// The CSV of the records (RFC 4180, a header row, CR LF, "." as decimal point whatever the
// regional settings): one row for every record line of the log, with what became of it and why,
// for a spreadsheet. Its columns:
//   line        the record's line in the log, counted from 1
//   utc_time    2007-01-01T01:00:50Z
//   local_time  the same in the time zone, with its offset: 2007-01-01T10:00:50+09:00
//   latitude, longitude   decimal degrees, 8 decimals
//   fate        "first" (the first record, from which the track is measured), "kept",
//               "simplified" (kept, but left out of the route by simplification), or why it was
//               dropped: the words of DropCauseWords ("too fast", "repeated time", ...)
//   speed_kmh, distance_m  from the fix kept before it (km/h, metres; 3 decimals); empty where
//               none is measured (the first record, a repeated time's speed)
//   length_km   the route's length up to the row's fix (km, 6 decimals; for a fix that
//               simplification left out, as if the route went through it); for a dropped fix,
//               that of the fix kept before it
// Rows come in the order the fixes are judged: the first record's row first, then the log's
// order, except that the robust filter judges the fixes it waits on later, after the rows of
// fixes it judged meanwhile (sort by line to restore the log's order).

#include "core/file_io.h"
#include "core/time_zones.h"
#include "geo/track.h"
#include "writers/track_writer.h"

#include <memory>

namespace ostrel {

struct TCsvOptions
{
    TTimeZone Zone; // of the local times
};

// The CSV writer of one output, a sink of the track, which it takes in local time (shifted by the
// time zone). The caller commits the output.
std::unique_ptr<TTrackWriter> MakeCsv(TOutputFile& output, TCsvOptions options);

} // namespace ostrel
