#pragma once

// What ostrel-convert tells about each log beyond its length line: the track's numbers for people
// (--summary) and one JSON object per log for scripts (--json).

#include "conversion/conversion.h"
#include "core/messages.h"

#include <optional>
#include <string>
#include <vector>

namespace ostrel::cli {

// A few aligned lines, each ending in "\n", indented under the length line: records with the
// kept and dropped fixes, start and end (UTC, ISO 8601), duration and moving time (h:mm:ss),
// length, average and moving speed, maximum speed (numbers with the decimal separator given),
// and the bounding box (degrees).
std::string SummaryText(const TConversionResult& result, const TSeparators& separators);

// One line of JSON, without its line end. For a converted log: "input", "output", "length_km"
// and the numbers of SummaryText under "statistics"; for a failed one: "input", "output" when
// known, "error" (the message), "kind" (ErrorKindName, for the converter's own errors), "line"
// (for an error of a record line) and "detail" (the file at fault and the system's reason, when
// it is not the log). Names are exact, JSON-escaped, with U+FFFD for bytes that are
// not UTF-8. Numbers use a period; times are ISO 8601 UTC with "Z".
std::string JsonLine(const std::string& input, const std::optional<std::string>& output,
    const TConversionResult* result, const TErrorReport* error);

// The JSON line of a merge's output, or of a failure of the output itself: as JsonLine's, with
// "inputs", the logs (in the order merged), in place of "input".
std::string MergeJsonLine(const std::vector<std::string>& inputs, const std::string& output,
    const TConversionResult* result, const TErrorReport* error);

} // namespace ostrel::cli
