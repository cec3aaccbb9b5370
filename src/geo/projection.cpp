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
const std::array<TZone, kZoneCount + 1> kZones = { {
    { "出発点を原点にする（推奨）", "First fix (recommended)",
        { 0.0, 0.0 } }, // each file's first fix
    { "1系(長崎以外の九州)", "Zone 1 (Kyushu except Nagasaki)", { 33.0, 129.5 } },
    { "2系(長崎・対馬・奄美など)", "Zone 2 (Nagasaki, Tsushima, Amami, ...)", { 33.0, 131.0 } },
    { "3系(山口・島根・広島)", "Zone 3 (Yamaguchi, Shimane, Hiroshima)",
        { 36.0, 132.16666666666666 } },
    { "4系(四国)", "Zone 4 (Shikoku)", { 33.0, 133.5 } },
    { "5系(兵庫・鳥取・岡山)", "Zone 5 (Hyogo, Tottori, Okayama)", { 36.0, 134.33333333333334 } },
    { "6系(兵庫以外の近畿・三重)", "Zone 6 (Kinki except Hyogo, Mie)", { 36.0, 136.0 } },
    { "7系(石川・富山・岐阜・愛知)", "Zone 7 (Ishikawa, Toyama, Gifu, Aichi)",
        { 36.0, 137.16666666666666 } },
    { "8系(新潟・長野・山梨・静岡)", "Zone 8 (Niigata, Nagano, Yamanashi, Shizuoka)",
        { 36.0, 138.5 } },
    { "9系(関東)", "Zone 9 (Kanto)", { 36.0, 139.83333333333334 } },
    { "10系(東北)", "Zone 10 (Tohoku)", { 40.0, 140.83333333333334 } },
    { "11系(北海道西部)", "Zone 11 (western Hokkaido)", { 44.0, 140.25 } },
    { "12系(北海道中部)", "Zone 12 (central Hokkaido)", { 44.0, 142.25 } },
    { "13系(北海道東部)", "Zone 13 (eastern Hokkaido)", { 44.0, 144.25 } },
    { "14系(小笠原)", "Zone 14 (Ogasawara)", { 26.0, 142.0 } },
    { "15系(沖縄本島周辺)", "Zone 15 (Okinawa main island)", { 26.0, 127.5 } },
    { "16系(宮古・西表)", "Zone 16 (Miyako, Iriomote)", { 26.0, 124.0 } },
    { "17系(大東島)", "Zone 17 (Daito Islands)", { 26.0, 131.0 } },
    { "18系(沖ノ鳥島)", "Zone 18 (Okinotorishima)", { 20.0, 136.0 } },
    { "19系(南鳥島)", "Zone 19 (Minamitorishima)", { 26.0, 154.0 } },
} };

TOrigin SetOrigin(int originIndex, const TGPSRec& rec, TOrigin current)
{
    if (originIndex == 0)
        return { rec.Lat, rec.Lon };
    if (originIndex >= 1 && originIndex <= kZoneCount)
        return kZones[static_cast<std::size_t>(originIndex)].Origin;
    return current;
}

TProjection::TProjection(TOrigin origin)
    : phi0_(origin.OriginLat * kRadian)
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
