#pragma once

// The conversion of one log into one output file: the track streamed into the writer of the
// output's format, the output put in place, and the default output names.

#include "conversion/output_formats.h"
#include "core/file_io.h"
#include "core/settings.h"
#include "geo/track.h"
#include "geo/track_statistics.h"
#include "log/log_reader.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace ostrel {

// What one finished conversion reports.
struct TConversionResult
{
    double TotalMetres = 0.0; // length of the kept track (metres)
    std::string LengthMessage; // "The passway length = 12.35 km"
    std::filesystem::path Output; // the path written, once the output is in place
    TTrackCounts Counts; // what the log held
    TTrackStatistics Statistics; // the numbers of the kept track
    // A stage of the cleaning, the split by day or the merge was on: the numbers say what it did.
    bool Cleaned = false;
    std::uint64_t Parts = 1; // the days of a log split by day, or the logs of a merge
};

// "The passway length = " + km with 2 decimals (at most 6 significant digits) + " km".
std::string LengthMessage(double totalMetres, const TSeparators& separators = {});

// A finished conversion whose output still waits under its temporary name. Batches that convert
// files side by side use it to put the outputs in place in list order; dropping it without
// Commit removes the temporary file.
class TPendingOutput
{
public:
    explicit TPendingOutput(std::unique_ptr<TOutputFile> file, TConversionResult result);
    TPendingOutput(TPendingOutput&&) noexcept;
    TPendingOutput& operator=(TPendingOutput&&) noexcept;
    ~TPendingOutput();

    const TConversionResult& Result() const { return result_; }
    // Puts the output in place (for a default name, under the first free alternative; counters,
    // when given, remember where to start for the next output of that name); returns the result
    // with the path written.
    TConversionResult Commit(TNameCounters* counters = nullptr);

private:
    std::unique_ptr<TOutputFile> file_;
    TConversionResult result_;
};

// The track's options for a conversion's settings: the log's own time, or local time shifted by
// the time zone.
TTrackOptions TrackOptionsOf(
    const TConvertSettings& settings, bool localTime, TTrackProgress* progress = nullptr);

// Converts the log a reader reads into output, in format (by default that of the output's
// extension), without putting the output in place. For standard input and standard output.
// progress, when given, is told how far the log has been read (TTrackProgress), here and below.
TPendingOutput ConvertLog(TLogReader& reader, const std::filesystem::path& output,
    const TConvertSettings& settings, TPlacement placement, const TOutputFormat& format,
    TTrackProgress* progress = nullptr);

// Converts one log without putting the output in place, in format (by default that of the
// output's extension). With TPlacement::NewName the output is a default name (DefaultOutputName),
// which is claimed only when the output is put in place. Errors as ProcFile.
TPendingOutput ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
    const TConvertSettings& settings, TPlacement placement = TPlacement::Replace,
    const TOutputFormat* format = nullptr, TTrackProgress* progress = nullptr);

// Converts one log. A log that cannot be read is its file error (a missing one: file not found),
// and nothing is written. The output is written under a temporary name beside it and
// moved into place only when it is complete: after an error no partial file is left and an
// earlier file at the output path is unchanged. An output path that names the input file itself
// is refused with the same-file error.
TConversionResult ProcFile(const std::filesystem::path& input, const std::filesystem::path& output,
    const TConvertSettings& settings, TTrackProgress* progress = nullptr);

// Converts one log to a default name beside it: the first of DefaultOutputName and its
// alternatives with "_1", "_2", ... that nothing holds when the output is complete. Never
// replaces anything; a missing log is the file error of its first record's stamp.
TConversionResult ProcFileToDefaultName(const std::filesystem::path& input,
    const TOutputFormat& format, const TConvertSettings& settings, TNameCounters& counters,
    TTrackProgress* progress = nullptr);

// The date-time of the log's first record (the log's own time, no time zone), as a day count
// and as "YYYYMMDDHHNNSS". A record that does not convert is its error, naming its line.
double FirstRecordTime(const std::filesystem::path& input, int currentYear);
std::string FirstRecordStamp(const std::filesystem::path& input, int currentYear);

// "WG" + the stamp of a date-time (YYYYMMDDHHNNSS) + the format's extension.
std::string DefaultName(double dateTime, const TOutputFormat& format);

// The default output path beside the input: "WG" + stamp + the format's extension, whether taken or
// not. A conversion claims it, or the first free alternative, when its output is complete.
std::filesystem::path DefaultOutputName(
    const std::filesystem::path& input, const TOutputFormat& format, int currentYear);

// A default name as proposed to the user: DefaultOutputName and the first of its alternatives
// with the extension to be written that nothing holds now.
struct TProposedName
{
    std::filesystem::path Base; // DefaultOutputName
    unsigned Alternative = 0; // 0 for Base itself, n for Base with "_n" before its extension

    std::filesystem::path Path() const { return AlternativeName(Base, Alternative); }
};

TProposedName ProposeOutputName(
    const std::filesystem::path& input, const TOutputFormat& format, int currentYear);

// ProposeOutputName's path.
std::filesystem::path MakeOutputName(
    const std::filesystem::path& input, const TOutputFormat& format, int currentYear);

// Converts one log to a proposed default name, in the format of its extension: the proposal, or
// when something has taken it meanwhile the next alternative that nothing holds when the output
// is complete. Never replaces anything. Errors as ProcFile.
TConversionResult ProcFileToProposedName(const std::filesystem::path& input,
    const TProposedName& proposal, const TConvertSettings& settings,
    TTrackProgress* progress = nullptr);

} // namespace ostrel
