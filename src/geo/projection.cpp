#include "geo/projection.h"

#include <cmath>
#include <numbers>

namespace ostrel {

namespace {

// Bessel's ellipsoid and the meridian-arc series.
constexpr double kA = 6377397.155; // semi-major axis (metres)
constexpr double kE = 0.0816968308747356; // first eccentricity, sqrt(1 - (b/a)²)
constexpr double kE2 = 0.08197084080074778; // second eccentricity, sqrt((a/b)² - 1)
constexpr double kArcA = 1.005037306048555; // coefficient of the latitude difference
constexpr double kArcB = 0.0050478492403; // of the sin 2φ terms
constexpr double kArcC = 1.0563786831e-5; // of the sin 4φ terms
constexpr double kArcD = 2.0633322e-8; // of the sin 6φ terms
constexpr double kScale = 0.9999; // scale factor on the central meridian
constexpr double kArcFactor = kA * (1 - kE * kE); // a·(1 − e²) (metres)
constexpr double kRadian = std::numbers::pi / 180;

} // namespace

// Minutes of arc are held as the nearest double (132°10′ is 132.16666666666666).
const std::array<TOrigin, kZoneCount + 1> kZoneOrigins = { {
    { 0.0, 0.0 }, // unused: item 0 takes each file's first fix
    { 33.0, 129.5 }, // 1: Kyushu except Nagasaki
    { 33.0, 131.0 }, // 2: Nagasaki, Tsushima, Amami
    { 36.0, 132.16666666666666 }, // 3: Yamaguchi, Shimane, Hiroshima
    { 33.0, 133.5 }, // 4: Shikoku
    { 36.0, 134.33333333333334 }, // 5: Hyogo, Tottori, Okayama
    { 36.0, 136.0 }, // 6: Kinki except Hyogo, Mie
    { 36.0, 137.16666666666666 }, // 7: Ishikawa, Toyama, Gifu, Aichi
    { 36.0, 138.5 }, // 8: Niigata, Nagano, Yamanashi, Shizuoka
    { 36.0, 139.83333333333334 }, // 9: Kanto
    { 40.0, 140.83333333333334 }, // 10: Tohoku
    { 44.0, 140.25 }, // 11: western Hokkaido
    { 44.0, 142.25 }, // 12: central Hokkaido
    { 44.0, 144.25 }, // 13: eastern Hokkaido
    { 26.0, 142.0 }, // 14: Ogasawara
    { 26.0, 127.5 }, // 15: Okinawa main island
    { 26.0, 124.0 }, // 16: Miyako, Iriomote
    { 26.0, 131.0 }, // 17: Daito islands
    { 20.0, 136.0 }, // 18: Okinotorishima
    { 26.0, 154.0 }, // 19: Minamitorishima
} };

TOrigin SetOrigin(int originIndex, const TGPSRec& rec, TOrigin current)
{
    if (originIndex == 0)
        return { rec.Lat, rec.Lon };
    if (originIndex >= 1 && originIndex <= kZoneCount)
        return kZoneOrigins[static_cast<std::size_t>(originIndex)];
    return current;
}

TProjection::TProjection(TOrigin origin)
    : origin_(origin)
    , phi0_(origin.OriginLat * kRadian)
    , lambda0_(origin.OriginLon * kRadian)
    , sin2Phi0_(std::sin(2 * phi0_))
    , sin4Phi0_(std::sin(4 * phi0_))
    , sin6Phi0_(std::sin(6 * phi0_))
{
}

TProjection::TXY TProjection::ProjectToPlane(double latitude, double longitude) const
{
    const double phi = latitude * kRadian;
    const double lambda = longitude * kRadian;

    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double w = std::sqrt(1 - (kE * sinPhi) * (kE * sinPhi));
    const double n = kA / w; // radius of curvature in the prime vertical (metres)

    // Meridian arc from the origin's latitude to the point's, four terms.
    const double s = kArcFactor
        * (kArcA * (phi - phi0_) - (kArcB / 2) * (std::sin(2 * phi) - sin2Phi0_)
            + (kArcC / 4) * (std::sin(4 * phi) - sin4Phi0_)
            - (kArcD / 6) * (std::sin(6 * phi) - sin6Phi0_));

    const double t = std::tan(phi);
    const double t2 = t * t;
    const double eta = kE2 * cosPhi;
    const double eta2 = eta * eta;
    const double dl = lambda - lambda0_; // no wrapping into ±π
    const double dl2 = dl * dl;

    const double cos3 = cosPhi * cosPhi * cosPhi;
    const double cos5 = cos3 * cosPhi * cosPhi;
    const double x = s + (n / 2) * sinPhi * cosPhi * dl2
        + (n / 24) * sinPhi * cos3 * (5 - t2 + 9 * eta2 + 4 * eta2 * eta2) * (dl2 * dl2)
        + (n / 720) * sinPhi * cos5 * (61 - 58 * t2 + t2 * t2 + 270 * eta2 - 330 * t2 * eta2)
            * (dl2 * dl2 * dl2);

    const double lc = dl * cosPhi;
    const double lc3 = lc * lc * lc;
    const double y = n * cosPhi * dl + (n / 6) * lc3 * (1 - t2 + eta2)
        + (n / 120) * (lc3 * lc * lc) * (5 - 18 * t2 + t2 * t2 + 14 * eta2 - 58 * t2 * eta2);

    return { kScale * x, kScale * y };
}

} // namespace ostrel
