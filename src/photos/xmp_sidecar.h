#pragma once

// XMP sidecars: the position of a photo in a small XMP file beside it, which photo managers and
// metadata tools read (darktable, digiKam, Lightroom, exiftool, exiv2). The position is written
// as EXIF's GPS properties in XMP (exif:GPSVersionID, exif:GPSLatitude, exif:GPSLongitude,
// exif:GPSTimeStamp, exif:GPSMapDatum "WGS-84"). An existing sidecar keeps everything else it
// holds, byte for byte: its GPS properties are taken out (only to replace a position), and a
// description of the new ones goes in before the end of its rdf:RDF.

#include "photos/exif.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace ostrel {

// A position as written: where, and the UTC time it is for (day count).
struct TPhotoPosition
{
    TGeoPoint Position;
    double Utc = 0.0;
};

// How a sidecar is named beside its photo.
enum class TSidecarName
{
    Full, // IMG_0001.JPG.xmp: one per file (darktable, digiKam)
    Base, // IMG_0001.xmp: shared by a raw file and its JPEG (Lightroom, Capture One)
};

std::filesystem::path SidecarPath(const std::filesystem::path& photo, TSidecarName name);

// XMP's text of a coordinate, "DDD,MM.mmmmmmmmk" with k N or S (latitude), E or W (longitude):
// minutes to 8 decimals (1e-10 of a degree).
std::string XmpCoordinate(double degrees, bool latitude);

// A new sidecar holding the position alone.
std::string NewSidecar(const TPhotoPosition& position);

// Whether a sidecar's text holds a latitude and a longitude among its GPS properties.
bool SidecarHasPosition(std::string_view xmp);

// The sidecar's text with the position in it, and every GPS property it held before taken out;
// everything else stays as it was. A text that is not XMP (no rdf:RDF, markup that does not
// close) is SidecarNotXmp naming path.
std::string SidecarWithPosition(
    std::string_view xmp, const TPhotoPosition& position, const std::filesystem::path& path);

} // namespace ostrel
