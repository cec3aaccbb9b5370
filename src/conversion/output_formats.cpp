#include "conversion/output_formats.h"

#include "writers/gpx_writer.h"
#include "writers/kml_writer.h"
#include "writers/nmea_writer.h"

#include <array>

namespace ostrel {

namespace {

const std::array<TOutputFormat, 3> kFormats = { {
    { "nmea", ".log", false, "NMEA Log", "*.log;.log", "NMEA", false, &MakeNmea },
    { "kml", ".kml", true, "Google Earth", "*.kml;.log", "KML", true, &MakeKml },
    { "gpx", ".gpx", true, "GPX 1.1", "*.gpx;.log", "GPX", true, &MakeGpx },
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
