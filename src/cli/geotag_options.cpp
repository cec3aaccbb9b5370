#include "cli/geotag_options.h"

#include <limits>
#include <span>

namespace ostrel::cli {

namespace {

struct TGeotagState
{
    TGeotagCommandLine Line;
    std::optional<double> ModeKmh;
    std::optional<double> CustomKmh;
};

using TGeotagOption = TOption<TGeotagState>;

std::vector<std::string_view> WriteNames()
{
    return { "sidecar", "exif" };
}

std::vector<std::string_view> SidecarNames()
{
    return { "full", "base" };
}

// The logs that serve the photos; the track's options follow.
constexpr TGeotagOption kLogOptions[] = {
    {
        {
            .Short = 'l',
            .Long = "log",
            .Value = "LOG",
            .Kind = TValueKind::Path,
            .Help = "a log whose kept fixes place the photos (one or more, required)",
            .Manual = R"(A log whose kept fixes place the photos; give one for each log, as many as
the photos' day needs. The fixes are those a conversion with the same options keeps.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.Logs.emplace_back(value.Text);
        },
    },
};

// The camera's clock and the match.
constexpr TGeotagOption kTimeOptions[] = {
    {
        {
            .Short = 'z',
            .Long = "time-zone",
            .Value = "H[:MM]",
            .Kind = TValueKind::TimeZone,
            .Min = kEarliestTimeZoneHours,
            .Max = kLatestTimeZoneHours,
            .Default = "9",
            .Help = "  the time zone of --from and --to, and the camera's unless\n"
                    "--camera-zone says otherwise, {range} (default {default})",
            .Manual = R"(The time zone of
.B \-\-from
and
.BR \-\-to ,
and the camera's unless
.B \-\-camera\-zone
says otherwise: hours, and minutes with the sign of the hours (+5:30, \-3:30), {range} hours
(default {default}).)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.Settings.TimeZoneHours = value.Hours;
            state.Line.Settings.TimeZoneMinutes = value.Minutes;
        },
    },
    {
        {
            .Long = "camera-zone",
            .Value = "H[:MM]",
            .Kind = TValueKind::TimeZone,
            .Min = kEarliestTimeZoneHours,
            .Max = kLatestTimeZoneHours,
            .Help = "  the zone the camera's clock was set to (default: that of -z); a\n"
                    "photo whose EXIF holds its own offset (OffsetTimeOriginal) takes that",
            .Manual = R"(The time zone the camera's clock was set to (default: that of
.BR \-z ),
for the photos whose EXIF holds no offset of its own; one that does (OffsetTimeOriginal) takes
that.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.CameraZone = TTimeZone { value.Hours, value.Minutes };
        },
    },
    {
        {
            .Long = "camera-offset",
            .Value = "[H:]MM:SS",
            .Kind = TValueKind::ClockOffset,
            .Default = "00:00",
            .Help = "  how far the camera's clock was ahead (-2:30: 2 min 30 s\n"
                    "behind; default {default})",
            .Manual = R"(How far the camera's clock was ahead of the true time, in minutes and
seconds, with hours before them if need be: 1:30 ahead, \-2:05 behind, +1:00:00 an hour ahead
(default {default}). Photograph the logger's clock or a phone's to find it.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.CameraAheadSeconds = value.Number;
        },
    },
    {
        {
            .Long = "max-gap",
            .Value = "MIN",
            .Kind = TValueKind::Integer,
            .Min = 0,
            .Max = 10080,
            .Default = "5",
            .Help = "the greatest gap between two fixes to place a photo between them, and\n"
                    "before the first or after the last fix (minutes, default {default})",
            .Manual = R"(A photo between two kept fixes at most
.I MIN
minutes apart ({range}, default {default}) takes the position between them in proportion to
its time; one within
.I MIN
minutes before the first fix or after the last takes that fix; any other has no position.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.MaxGapMinutes = static_cast<std::int32_t>(value.Integer);
        },
    },
};

// What is written, and how the batch runs.
constexpr TGeotagOption kWriteOptions[] = {
    {
        {
            .Long = "write",
            .Value = "{choices}",
            .Kind = TValueKind::Choice,
            .Choices = &WriteNames,
            .Default = "sidecar",
            .Help = "  sidecar (default): an XMP file beside each photo; exif: into\n"
                    "each JPEG's own EXIF (raw files and full segments: the sidecar)",
            .Manual = R"(Where the positions go.
.B sidecar
(the default) writes an XMP sidecar beside each photo, named as
.B \-\-sidecar\-name
says; one that exists keeps everything else it holds.
.B exif
writes into each JPEG's own EXIF, moving nothing that offsets point to (maker notes keep
working) and leaving the image data unchanged to the byte; raw files get their sidecars, never a
write, and so does a JPEG whose EXIF segment would pass its 64 KiB, which is reported.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.Write = value.Choice == 1 ? TPhotoWrite::Exif : TPhotoWrite::Sidecar;
        },
    },
    {
        {
            .Long = "sidecar-name",
            .Value = "{choices}",
            .Kind = TValueKind::Choice,
            .Choices = &SidecarNames,
            .Default = "full",
            .Help = "  full (default): IMG_0001.JPG.xmp (darktable, digiKam); base:\n"
                    "IMG_0001.xmp (Lightroom, Capture One)",
            .Manual = R"(The sidecar's name.
.B full
(the default) is the photo's whole name and
.BR .xmp ,
IMG_0001.JPG.xmp, as darktable and digiKam name theirs;
.B base
puts
.B .xmp
in place of the extension, IMG_0001.xmp, as Lightroom and Capture One name theirs (a raw file
and its JPEG then share one). exiftool and exiv2 read either.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.SidecarName = value.Choice == 1 ? TSidecarName::Base : TSidecarName::Full;
        },
    },
    {
        {
            .Long = "overwrite",
            .Help = "replace a position a photo has already (in its EXIF or sidecar)",
            .Manual = R"(Replace the position a photo has already, in its EXIF or in its sidecar;
without it such a photo is left alone, and reported.)",
        },
        [](TGeotagState& state, const TOptionValue&) { state.Line.Overwrite = true; },
    },
    {
        {
            .Long = "keep-time",
            .Help = "a JPEG written keeps its modification time",
            .Manual = "A JPEG written keeps its modification time.",
        },
        [](TGeotagState& state, const TOptionValue&) { state.Line.KeepTime = true; },
    },
    {
        {
            .Short = 'n',
            .Long = "dry-run",
            .Help = "write nothing: only the table of photos, times and positions",
            .Manual = R"(Write nothing: print the table of the photos, their times as read and
as UTC, the positions and the distances in time to the fixes used, or why a photo has none.)",
        },
        [](TGeotagState& state, const TOptionValue&) { state.Line.DryRun = true; },
    },
    {
        {
            .Short = 'k',
            .Long = "keep-going",
            .Help = "after a failed log or photo go on with the next (exit status 1 at the end)",
            .Manual = R"(After a log or a photo that failed, go on with the next; every failure
is reported, and the exit status is 1 at the end.)",
        },
        [](TGeotagState& state, const TOptionValue&) { state.Line.KeepGoing = true; },
    },
    {
        {
            .Long = "json",
            .Help = "instead of the table, one JSON object per photo (JSON Lines)",
            .Manual = R"(Instead of the table, one JSON object per photo (JSON Lines): photo,
time, utc, latitude, longitude, match, from_fix_s, to_fix_s, result (written, has_position,
no_time, before_track, after_track, in_gap, no_fixes), write and written_to; for a failed photo
or log, photo or log, error and kind.)",
        },
        [](TGeotagState& state, const TOptionValue&) { state.Line.Json = true; },
    },
    {
        {
            .Long = "lang",
            .Value = "{choices}",
            .Kind = TValueKind::Choice,
            .Choices = &LanguageNames,
            .Help = "language of the messages (default: from LC_ALL, LC_MESSAGES, LANG)",
            .Manual = R"(The language of the messages and results: Japanese or English.
Without it the first of
.BR LC_ALL ", " LC_MESSAGES " and " LANG
that is set and not empty decides: Japanese for a value starting with "ja", English otherwise.)",
        },
        [](TGeotagState& state, const TOptionValue& value) {
            state.Line.Language = LanguageNamed(value.Text);
        },
    },
};

using TRow = TOptionRow<TGeotagState>;

const std::vector<TRow>& Rows()
{
    static const std::vector<TRow> rows = [] {
        std::vector<TRow> all;
        const auto own = [&](std::span<const TGeotagOption> options) {
            for (const TGeotagOption& option : options)
                all.push_back(TRow::OwnRow(option));
        };
        const auto track = [&](std::span<const TOption<TTrackChoice>> options) {
            for (const TOption<TTrackChoice>& option : options)
                all.push_back(TRow::TrackRow(option));
        };
        own(kLogOptions);
        track(TrackOptions());
        own(kTimeOptions);
        for (const TOption<TConvertSettings>* option : TrackCleaningOptions())
            all.push_back(TRow::SettingRow(*option));
        own(kWriteOptions);
        own(kHelpAndVersionOptions<TGeotagState>);
        return all;
    }();
    return rows;
}

} // namespace

TGeotagOptions TGeotagCommandLine::GeotagOptions() const
{
    TGeotagOptions options;
    const TTimeZone zone
        = CameraZone.value_or(TTimeZone { Settings.TimeZoneHours, Settings.TimeZoneMinutes });
    options.Clock = { zone.Hours * 60 + zone.Minutes, CameraAheadSeconds };
    options.MaxGapMinutes = MaxGapMinutes;
    options.Write = Write;
    options.SidecarName = SidecarName;
    options.Overwrite = Overwrite;
    options.KeepTime = KeepTime;
    options.DryRun = DryRun;
    return options;
}

const std::vector<TOptionEntry>& GeotagCommandLineOptions()
{
    static const std::vector<TOptionEntry> entries = [] {
        std::vector<TOptionEntry> all;
        for (const TRow& row : Rows())
            all.push_back(row.Entry);
        return all;
    }();
    return entries;
}

TGeotagCommandLine ParseGeotagCommandLine(const std::vector<std::string>& args)
{
    TGeotagState state;
    state.Line.Photos = ParseArguments(GeotagCommandLineOptions(), args,
        [&](std::size_t index, const TOptionValue& value) { Rows()[index].Apply(state, value); });
    TGeotagCommandLine& line = state.Line;
    if (line.Action != TCommandAction::Convert)
        return line;
    if (line.Logs.empty())
        throw UsageError("no LOG given: name the logs with -l LOG");
    if (line.Photos.empty())
        throw UsageError("no PHOTO or FOLDER given");
    if (line.Settings.FromLocal && line.Settings.ToLocal
        && *line.Settings.FromLocal > *line.Settings.ToLocal)
        throw UsageError("--from must not be after --to");
    // A custom limit overrides the mode wherever either stands on the line.
    line.Settings.SpeedLimitKmh
        = state.CustomKmh.value_or(state.ModeKmh.value_or(line.Settings.SpeedLimitKmh));
    return line;
}

std::string GeotagUsageLine()
{
    return std::string("Usage: ") + kGeotagProgramName
        + " [options] -l LOG [-l LOG...] PHOTO|FOLDER...";
}

std::string GeotagHelpText()
{
    return GeotagUsageLine() + R"(
Gives photos the positions of the logs' kept fixes at the times they were taken: JPEG and raw
files (DNG, CR2, NEF, ARW, ORF, PEF, RW2), or the photos of a FOLDER. The camera's local time
becomes UTC by the offset its EXIF holds, else by --camera-zone, less --camera-offset.

Options:
)" + OptionHelp(GeotagCommandLineOptions())
        + R"(
Each photo prints one row: its time as read and as UTC, its position and the distances in time
to the fixes used, and where the position went or why it has none. A photo that already has a
position is left alone unless --overwrite. The first failure stops (unless --keep-going); nothing
is ever left half written. Exit status: 0 all done, 1 a log or photo failed, 2 a bad command line.
)";
}

} // namespace ostrel::cli
