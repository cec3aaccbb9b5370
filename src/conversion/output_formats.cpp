#include "conversion/output_formats.h"

#include "conversion/conversion.h"
#include "core/time_zones.h"
#include "writers/csv_writer.h"
#include "writers/geojson_writer.h"
#include "writers/gpx_writer.h"
#include "writers/kml_writer.h"
#include "writers/nmea_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace ostrel {

namespace {

using TSettingOption = TOption<TConvertSettings>;

// The options of the documents in local time that mark waypoints, KML and GPX.

constexpr TSettingOption kTimeZoneOption {
    {
        .Short = 'z',
        .Long = "time-zone",
        .Value = "H[:MM]",
        .Kind = TValueKind::TimeZone,
        // Any hours:minutes within the offsets the world uses (the window lists those).
        .Min = kEarliestTimeZoneHours,
        .Max = kLatestTimeZoneHours,
        .Default = "9",
        .Help = "hours (and minutes: +5:30, -3:30) added to the times for people\n"
                "in KML, GPX, GeoJSON and CSV, {range} (default {default})",
        .Manual = R"(Hours, and minutes with the sign of the hours (+5:30, \-3:30, +5:45), added to
the times for people, {range} hours (default {default}).)",
    },
    [](TConvertSettings& settings, const TOptionValue& value) {
        settings.TimeZoneHours = value.Hours;
        settings.TimeZoneMinutes = value.Minutes;
    },
};

constexpr TSettingOption kNoWaypointsOption {
    {
        .Long = "no-waypoints",
        .Help = "KML, GPX, GeoJSON: the route only, without waypoints",
        .Manual = "The route only, without waypoints.",
    },
    [](TConvertSettings& settings, const TOptionValue&) { settings.WayPoints = false; },
};

constexpr TSettingOption kIntervalOption {
    {
        .Short = 'i',
        .Long = "interval",
        .Value = "MIN",
        .Kind = TValueKind::Integer,
        .Min = 1,
        .Max = std::numeric_limits<std::int32_t>::max(),
        .Default = "2",
        .Help = "KML, GPX, GeoJSON: least log time between two waypoints (minutes,\n"
                "default {default})",
        .Manual = "The least log time between two waypoints, in minutes (default {default}).",
    },
    [](TConvertSettings& settings, const TOptionValue& value) {
        settings.WaypointIntervalMin = static_cast<std::int32_t>(value.Integer);
    },
};

std::vector<std::string_view> KmlVersions()
{
    return { "2.1", "2.2" };
}

constexpr TSettingOption kKmlOptions[] = {
    kTimeZoneOption,
    {
        {
            .Long = "kml-version",
            .Value = "V",
            .Kind = TValueKind::Choice,
            .Choices = &KmlVersions,
            .Default = "2.1",
            .Help = "KML: 2.1 (default) or 2.2, the OGC's namespace and element order",
            .Manual = "2.1 (the default) or 2.2, the OGC's namespace with its order of elements.",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.KmlVersion = value.Choice == 0 ? 21 : 22;
        },
    },
    {
        {
            .Long = "kml-track",
            .Help = "KML: the route as a gx:Track with a time per fix (KML 2.2), for the\n"
                    "time slider of Google Earth",
            .Manual = R"(The route as a gx:Track of Google's extension, with the UTC time of every
kept fix, so that the time slider of Google Earth replays the trip; the document is KML 2.2
whatever
.B \-\-kml\-version
says. Waypoints as without it.)",
        },
        [](TConvertSettings& settings, const TOptionValue&) { settings.KmlTrack = true; },
    },
    kNoWaypointsOption,
    kIntervalOption,
    {
        {
            .Long = "opacity",
            .Value = "PCT",
            .Kind = TValueKind::Integer,
            .Min = kMinOpacityPercent,
            .Max = kMaxOpacityPercent,
            .Default = "66",
            .Help = "KML: waypoint opacity, {range} percent (default {default})",
            .Manual = "The opacity of the waypoints, {range} percent (default {default}).",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.OpacityPercent = static_cast<int>(value.Integer);
        },
    },
    {
        {
            .Long = "color",
            .Value = "RRGGBB",
            .Kind = TValueKind::Color,
            .Default = "FFFFFF",
            .Help = "KML: waypoint colour, hexadecimal red, green, blue (default {default})",
            .Manual = "The colour of the waypoints, hexadecimal red, green and blue (default "
                      "{default}).",
        },
        [](TConvertSettings& settings, const TOptionValue& value) {
            settings.WaypointColor = value.Color;
        },
    },
};

constexpr TSettingOption kGpxOptions[] = { kTimeZoneOption, kNoWaypointsOption, kIntervalOption };
constexpr TSettingOption kGeoJsonOptions[]
    = { kTimeZoneOption, kNoWaypointsOption, kIntervalOption };
constexpr TSettingOption kCsvOptions[] = { kTimeZoneOption };

// Each writer takes its own options from the settings, once per conversion.

TWaypointOptions WaypointOptionsOf(const TConvertSettings& settings)
{
    return { settings.WayPoints, settings.WaypointIntervalMin };
}

std::unique_ptr<TTrackWriter> NmeaWriter(TOutputFile& output, const TConvertSettings&)
{
    return MakeNmea(output, {});
}

std::unique_ptr<TTrackWriter> KmlWriter(TOutputFile& output, const TConvertSettings& settings)
{
    return MakeKml(output,
        { WaypointOptionsOf(settings), settings.Separators, settings.KmlVersion,
            settings.OpacityPercent, settings.WaypointColor, settings.StyleTemplate, settings.Merge,
            settings.KmlTrack });
}

// The held records that one thread formats at a time at a document's end.
std::size_t PartRecords(const TConvertSettings& settings)
{
    return std::max<std::size_t>(settings.TrackBlockLines / 4, 1);
}

std::unique_ptr<TTrackWriter> GpxWriter(TOutputFile& output, const TConvertSettings& settings)
{
    return MakeGpx(output,
        { WaypointOptionsOf(settings), settings.Separators, LogThreads(settings),
            PartRecords(settings) });
}

std::unique_ptr<TTrackWriter> GeoJsonWriter(TOutputFile& output, const TConvertSettings& settings)
{
    return MakeGeoJson(output,
        { WaypointOptionsOf(settings), settings.Separators,
            TrackOptionsOf(settings, true).Cleaning.Any(), LogThreads(settings),
            PartRecords(settings) });
}

std::unique_ptr<TTrackWriter> CsvWriter(TOutputFile& output, const TConvertSettings& settings)
{
    return MakeCsv(output, { { settings.TimeZoneHours, settings.TimeZoneMinutes } });
}

const std::array<TOutputFormat, 5> kFormats = { {
    { "nmea", ".log", false, "NMEA Log", "*.log;.log", "NMEA", false, &NmeaWriter, {} },
    { "kml", ".kml", true, "Google Earth", "*.kml;.log", "KML", true, &KmlWriter, kKmlOptions },
    { "gpx", ".gpx", true, "GPX 1.1", "*.gpx;.log", "GPX", true, &GpxWriter, kGpxOptions },
    { "geojson", ".geojson", true, "GeoJSON", "*.geojson;.log", "GeoJSON", true, &GeoJsonWriter,
        kGeoJsonOptions },
    { "csv", ".csv", true, "CSV of the records", "*.csv;.log", "CSV", true, &CsvWriter,
        kCsvOptions },
} };

// Whether a file name ends with ext (".kml"), in any letter case.
bool EndsWithExtension(const std::filesystem::path::string_type& name, std::string_view ext)
{
    if (name.size() < ext.size())
        return false;
    const std::size_t from = name.size() - ext.size();
    for (std::size_t i = 0; i < ext.size(); ++i) {
        auto c = name[from + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<decltype(c)>(c - 'A' + 'a');
        if (c != static_cast<decltype(c)>(ext[i]))
            return false;
    }
    return true;
}

} // namespace

std::span<const TOutputFormat> OutputFormats()
{
    return kFormats;
}

const TOutputFormat& FormatOfPath(const std::filesystem::path& output)
{
    const auto name = output.filename().native();
    for (const TOutputFormat& format : kFormats) {
        if (format.ChosenByExtension && EndsWithExtension(name, format.Extension))
            return format;
    }
    return kFormats.front();
}

const TOutputFormat* FormatNamed(std::string_view name)
{
    for (const TOutputFormat& format : kFormats) {
        if (format.Name == name)
            return &format;
    }
    return nullptr;
}

int DialogIndexOf(const TOutputFormat& format)
{
    return static_cast<int>(&format - kFormats.data()) + 1;
}

const TOutputFormat& FormatOfDialogIndex(int index)
{
    if (index < 1 || index > static_cast<int>(kFormats.size()))
        return kFormats.front();
    return kFormats[static_cast<std::size_t>(index - 1)];
}

} // namespace ostrel
