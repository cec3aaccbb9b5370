#pragma once

// A batch of conversions, one output per log, converted side by side on a few threads with the
// same outputs, reports and stopping point as one after another in list order.

#include "conversion/conversion.h"
#include "core/settings.h"

#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

struct TBatchRequest
{
    std::vector<std::filesystem::path> Inputs;
    // The only input is the process's standard input (it then has an Output).
    bool ReadsStandardInput = false;
    // The output of the only input; without it every output goes beside its input under its
    // default name (or into OutputDir).
    std::optional<std::filesystem::path> Output;
    bool WritesStandardOutput = false; // Output stands for the process's standard output
    std::optional<std::filesystem::path> OutputDir;
    // The format of the default names and of standard output; a named output's own extension
    // chooses its format.
    const TOutputFormat* Format = FormatNamed("kml");
    TConvertSettings Settings;
    // Logs converted at the same time, at least 1; the jobs that no log takes go to the logs
    // under way (Settings.Threads), so one log alone uses them all.
    unsigned Jobs = 1;
    bool KeepGoing = false; // a failed log does not end the batch
    // The progress of each log's conversion (TTrackProgress), asked for on the thread that
    // converts the log just before it starts; index is the log's place in Inputs. A log whose
    // output could not be named is not started. None when not set.
    std::function<TTrackProgress*(std::size_t index)> ProgressOf;
};

// What the batch tells its caller, always on the calling thread and in list order: each output
// put in place (with the path actually written; with the settings' SplitDay, each day of a log in
// day order) or each failure; without KeepGoing the first failure ends the batch.
struct TBatchReport
{
    std::function<void(
        std::size_t index, const std::filesystem::path& output, const TConversionResult& result)>
        Converted;
    // The error as raised, for the caller to render in its language (core/messages.h).
    std::function<void(std::size_t index, const std::exception_ptr& error)> Failed;
};

// Most threads a batch uses, whatever it is asked for: each pending output holds an open file.
inline constexpr unsigned kMaxJobs = 64;

// Converts the inputs. Default names are claimed when each output is put in place, in list order,
// with an operation that never replaces anything, so that the same log listed twice gets two
// outputs and a name taken meanwhile (by another process too) is passed over. A failure (naming,
// converting or putting in place, or an input that does not exist) is reported; without
// KeepGoing no later log is started, the finished outputs of later logs are discarded, and the
// outputs before it stay. Returns whether every log was converted.
bool ConvertBatch(const TBatchRequest& request, const TBatchReport& report);

} // namespace ostrel
