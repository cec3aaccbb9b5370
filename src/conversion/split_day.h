#pragma once

// A log converted into one output per local calendar day (the time zone's, as the KML's times).
// The first day's output is the one the log would have alone; each later day begins at its first
// kept fix and is a document of its own, as if that fix began a log: its own name, route,
// waypoints, numbers and length.

#include "conversion/conversion.h"

#include <filesystem>
#include <vector>

namespace ostrel {

// The outputs of the days of one log in day order, none of them put in place yet. output is where
// the first day goes. With TPlacement::NewName it is a default name, and every later day goes
// beside it under the default name of its own first kept fix (DefaultName); with
// TPlacement::Replace it names them all: the days are its alternatives "_1", "_2", ... (of
// "NAME.ext", "NAME_1.ext", "NAME_2.ext", ...). Each result counts the days as its Parts. A day
// that would be written over the log is refused with the same-file error; any error leaves no
// output at all. Standard output takes no days (std::invalid_argument).
std::vector<TPendingOutput> ConvertFileByDay(const std::filesystem::path& input,
    const std::filesystem::path& output, const TConvertSettings& settings, TPlacement placement,
    const TOutputFormat* format = nullptr, TTrackProgress* progress = nullptr);

// The same for a log a reader reads (standard input); output must be named (TPlacement::Replace).
std::vector<TPendingOutput> ConvertLogByDay(TLogReader& reader, const std::filesystem::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat& format,
    TTrackProgress* progress = nullptr);

} // namespace ostrel
