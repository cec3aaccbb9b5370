#pragma once

// The plane of the Japanese plane rectangular coordinate system: a Gauss-Krüger (transverse
// Mercator) projection on Bessel's ellipsoid with the scale factor 0.9999, evaluated by the
// power series in the longitude difference that stops at ΔL⁶ (northing) and ΔL⁵ (easting).
// Near the origin's meridian it agrees with the exact projection to well under a millimetre; its
// error grows quickly beyond a few degrees of longitude, and nothing is checked or wrapped. The
// latitude and longitude are taken as they are, as coordinates on Bessel's ellipsoid.

#include "log/gps_rec.h"

#include <array>
#include <string_view>

namespace ostrel {

// A projected fix. X is northing and Y easting (metres from the origin), the surveying order of
// this grid; DateTime is the record's (days since 30 December 1899).
struct TPlanePoint
{
    double X = 0.0;
    double Y = 0.0;
    double DateTime = 0.0;

    bool operator==(const TPlanePoint&) const = default;
};

// The projection origin (decimal degrees, north and east positive).
struct TOrigin
{
    double OriginLat = 0.0;
    double OriginLon = 0.0;

    bool operator==(const TOrigin&) const = default;
};

// The origin choices: entry 0 takes each file's first fix as the origin, entries 1..19 are the
// zones of the grid with their origins. Name is the choice as the window lists it, in Japanese
// and in English.
struct TZone
{
    std::string_view Name;
    std::string_view EnglishName;
    TOrigin Origin; // unused for entry 0
};
inline constexpr int kZoneCount = 19;
extern const std::array<TZone, kZoneCount + 1> kZones;

// The origin for a file: item 0 takes the record's Lat and Lon, items 1..19 the zone's origin;
// any other item keeps the current origin.
TOrigin SetOrigin(int originIndex, const TGPSRec& rec, TOrigin current = {});

// The projection about one origin. What depends on the origin alone is computed once here; the
// results are those of evaluating the whole series for every point.
class TProjection
{
public:
    explicit TProjection(TOrigin origin);

    struct TXY
    {
        double X; // northing (metres)
        double Y; // easting (metres)
    };

    // latitude, longitude in decimal degrees.
    TXY ProjectToPlane(double latitude, double longitude) const;

    TPlanePoint ToPlanePoint(const TGPSRec& rec) const
    {
        TXY xy = ProjectToPlane(rec.Lat, rec.Lon);
        return { xy.X, xy.Y, rec.DateTime };
    }

private:
    double phi0_; // origin latitude (radians)
    double lambda0_; // origin longitude (radians)
    double sin2Phi0_;
    double sin4Phi0_;
    double sin6Phi0_;
};

} // namespace ostrel
