#pragma once

// Several logs into one output, in the order of their first fixes: each log streamed in turn into
// the one writer (in GPX a track per log, in KML a folder per log, in NMEA the sentences under one
// header), each with its own origin and filter, as if converted alone.

#include "conversion/conversion.h"
#include "core/settings.h"

#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace ostrel {

struct TMergeRequest
{
    std::vector<std::filesystem::path> Inputs;
    std::filesystem::path Output;
    TPlacement Placement = TPlacement::Replace; // Replace or StandardOutput
    const TOutputFormat* Format = nullptr; // the output's own extension decides when none
    TConvertSettings Settings; // its Merge is taken as set
};

// What the merge tells its caller: the output put in place, with the inputs' indexes in the order
// merged and the numbers of all the logs together (Parts counts the logs); or the failure, with
// the index of the log it concerns (none for the output's own).
struct TMergeReport
{
    std::function<void(const std::vector<std::size_t>& order, const TConversionResult& result)>
        Converted;
    std::function<void(std::optional<std::size_t> log, const std::exception_ptr& error)> Failed;
};

// Reads each log's first record, orders the logs by it (logs of one time keep the order given),
// and converts them one after another into the output, which is put in place when complete. A log
// whose first record comes before the last kept fix of the log before it overlaps that log in
// time: the merge is refused with LogsOverlap, naming both as given. The length is the sum of the
// logs' lengths. On any failure nothing is written. Returns whether the output was written.
bool MergeLogs(const TMergeRequest& request, const TMergeReport& report);

} // namespace ostrel
