#include "geo/projection.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace ostrel {
namespace {

TGPSRec At(double lat, double lon)
{
    TGPSRec rec;
    rec.Lat = lat;
    rec.Lon = lon;
    rec.DateTime = 39083.5;
    return rec;
}

TEST(SetOrigin, FirstFixOrZone)
{
    const TGPSRec rec = At(35.6, 139.7);
    EXPECT_EQ(SetOrigin(0, rec), (TOrigin { 35.6, 139.7 }));
    EXPECT_EQ(SetOrigin(3, rec), (TOrigin { 36.0, 132.16666666666666 }));
    EXPECT_EQ(SetOrigin(9, rec), (TOrigin { 36.0, 139.83333333333334 }));
    EXPECT_EQ(SetOrigin(18, rec), (TOrigin { 20.0, 136.0 }));
    EXPECT_EQ(SetOrigin(19, rec), (TOrigin { 26.0, 154.0 }));
    // Far from Japan the first fix is taken all the same.
    EXPECT_EQ(SetOrigin(0, At(-33.9, 18.4)), (TOrigin { -33.9, 18.4 }));
    // No selection keeps the origin there was.
    EXPECT_EQ(SetOrigin(-1, rec, { 1.0, 2.0 }), (TOrigin { 1.0, 2.0 }));
    EXPECT_EQ(SetOrigin(20, rec, { 1.0, 2.0 }), (TOrigin { 1.0, 2.0 }));
}

TEST(SetOrigin, ZoneMinutesAreExactSixtieths)
{
    for (int zone = 1; zone <= kZoneCount; ++zone) {
        const TOrigin origin = kZones[static_cast<std::size_t>(zone)].Origin;
        const double minutes = (origin.OriginLon - static_cast<int>(origin.OriginLon)) * 60;
        EXPECT_NEAR(minutes, std::round(minutes), 1e-9) << "zone " << zone;
        EXPECT_EQ(origin.OriginLat, std::round(origin.OriginLat)) << "zone " << zone;
    }
}

TEST(ProjectToPlane, WorkedExamples)
{
    const TProjection zone9(SetOrigin(9, {}));
    TProjection::TXY p = zone9.ProjectToPlane(35.5, 139.5);
    EXPECT_NEAR(p.X, -55414.677, 0.001);
    EXPECT_NEAR(p.Y, -30236.552, 0.001);

    const TProjection start(TOrigin { 35.5, 139.5 });
    p = start.ProjectToPlane(35.6, 139.7);
    EXPECT_NEAR(p.X, 11111.192, 0.001);
    EXPECT_NEAR(p.Y, 18119.397, 0.001);
}

TEST(ProjectToPlane, TheOriginIsZeroAndQuadrantsHaveTheirSigns)
{
    const TProjection projection(TOrigin { 35.6520576, 139.7520576 });
    TProjection::TXY origin = projection.ProjectToPlane(35.6520576, 139.7520576);
    EXPECT_EQ(origin.X, 0.0);
    EXPECT_EQ(origin.Y, 0.0);
    TProjection::TXY southWest = projection.ProjectToPlane(35.6, 139.7);
    EXPECT_LT(southWest.X, 0);
    EXPECT_LT(southWest.Y, 0);
    TProjection::TXY northEast = projection.ProjectToPlane(35.7, 139.8);
    EXPECT_GT(northEast.X, 0);
    EXPECT_GT(northEast.Y, 0);
}

TEST(ProjectToPlane, FarFromTheZoneStillFinite)
{
    const TProjection zone19(SetOrigin(19, {}));
    TProjection::TXY p = zone19.ProjectToPlane(35.5, 139.5);
    EXPECT_TRUE(std::isfinite(p.X));
    EXPECT_TRUE(std::isfinite(p.Y));
    EXPECT_LT(p.Y, -1.0e6);
}

TEST(ToPlanePoint, CarriesTheRecordsTime)
{
    const TProjection projection(TOrigin { 35.5, 139.5 });
    TPlanePoint point = projection.ToPlanePoint(At(35.6, 139.7));
    EXPECT_EQ(point.DateTime, 39083.5);
    EXPECT_NEAR(point.X, 11111.192, 0.001);
}

// Runs Debian's proj for a transverse Mercator on Bessel's ellipsoid about the origin; empty when
// proj is not installed.
std::string ProjOutput(const TOrigin& origin, double lat, double lon)
{
    char command[256];
    std::snprintf(command, sizeof command,
        "echo '%.10f %.10f' | proj -f '%%.4f' +proj=tmerc +ellps=bessel +lat_0=%.12f +lon_0=%.12f "
        "+k=0.9999 +x_0=0 +y_0=0 2>/dev/null",
        lon, lat, origin.OriginLat, origin.OriginLon);
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command, "r"), pclose);
    if (!pipe)
        return {};
    char line[128] = {};
    if (!std::fgets(line, sizeof line, pipe.get()))
        return {};
    return line;
}

TEST(ProjectToPlane, AgreesWithProjNearTheCentralMeridian)
{
    const TOrigin origin = kZones[9].Origin;
    if (ProjOutput(origin, 36, 139.8).empty())
        GTEST_SKIP() << "proj (Debian's proj-bin) is not installed";
    const TProjection projection(origin);
    for (double lat : { 34.9, 35.5, 36.0, 36.7 }) {
        for (double lon : { 139.0, 139.5, 139.83333333333334, 140.4 }) {
            double easting = 0, northing = 0;
            ASSERT_EQ(
                std::sscanf(ProjOutput(origin, lat, lon).c_str(), "%lf %lf", &easting, &northing),
                2);
            TProjection::TXY p = projection.ProjectToPlane(lat, lon);
            EXPECT_NEAR(p.X, northing, 0.001) << lat << " " << lon;
            EXPECT_NEAR(p.Y, easting, 0.001) << lat << " " << lon;
        }
    }
}

} // namespace
} // namespace ostrel
