#pragma once

// The picture of a track, as the preview draws it: a sink of the track stream that keeps only
// what can be seen (the kept track thinned on a grid of cells, dropped fixes gathered per cell,
// the waypoint places), the view that maps plane metres onto pixels at equal scale with north
// up, and the projection of the picture onto the pixels of one view (at most one track vertex
// per pixel, overlapping dropped marks gathered into one cluster, labels laid out so that none
// overlaps another). The picture lies on the plane of the conversion, or in Web Mercator (EPSG:3857
// metres) beneath a map of tiles.

#include "geo/track.h"
#include "geo/waypoint_spacing.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace ostrel {

// A place on the plane (metres): North is the plane's X, East its Y.
struct TPicturePoint
{
    double North = 0.0;
    double East = 0.0;

    bool operator==(const TPicturePoint&) const = default;
};

// A place in degrees, north and east positive.
struct TLatLon
{
    double Lat = 0.0;
    double Lon = 0.0;

    bool operator==(const TLatLon&) const = default;
};

// The grid the picture is drawn on.
enum class TPictureProjection
{
    Plane, // the conversion's plane: North its X, East its Y (metres)
    WebMercator, // the map tiles' (EPSG:3857 metres), north and east as its y and x
};

inline constexpr double kMercatorRadius = 6378137.0; // metres

// A record's place on a picture's grid.
TPicturePoint PicturePointOf(
    const TGPSRec& rec, const TPlanePoint& point, TPictureProjection projection);
// The latitude of a Web Mercator northing (degrees).
double MercatorLatitude(double north);

// What the preview tells of one fix when it is pointed at.
enum class TNoteKind : std::uint8_t
{
    FirstRecord,
    Kept,
    Dropped,
};

struct TFixNote
{
    std::uint64_t Line = 0; // its line in the log, counted from 1
    double UtcDateTime = 0.0; // days since 30 December 1899
    // From the fix kept before it where defined, NaN elsewhere (km/h, metres).
    float SpeedKmh = std::numeric_limits<float>::quiet_NaN();
    float DistanceM = std::numeric_limits<float>::quiet_NaN();
    TNoteKind Kind = TNoteKind::Kept;
    TDropCause Cause = TDropCause::TooFast; // of a dropped one

    static TFixNote Of(const TTrackFix& fix);
    static TFixNote Of(const TTrackDrop& drop);
};

// How many dropped fixes of each cause.
struct TDropCounts
{
    std::array<std::uint64_t, kDropCauseCount> ByCause {};

    std::uint64_t operator[](TDropCause cause) const { return ByCause[static_cast<int>(cause)]; }
    std::uint64_t Total() const
    {
        std::uint64_t total = 0;
        for (std::uint64_t n : ByCause)
            total += n;
        return total;
    }
    TDropCounts& operator+=(const TDropCounts& other)
    {
        for (std::size_t i = 0; i < ByCause.size(); ++i)
            ByCause[i] += other.ByCause[i];
        return *this;
    }
};

// The first few of the dropped fixes a cluster stands for, by their lines.
inline constexpr std::size_t kClusterNotes = 3;
struct TClusterNotes
{
    std::array<TFixNote, kClusterNotes> Notes {};
    std::size_t Size = 0;

    std::span<const TFixNote> View() const { return { Notes.data(), Size }; }
    // Takes in other's notes, keeping the first few by line.
    void Merge(const TClusterNotes& other);
};

// Dropped fixes that share a cell (or a pixel): where the first of them lay, and how many of
// each cause.
struct TDropCluster
{
    TPicturePoint Point;
    TDropCounts Counts;
    TClusterNotes First;
};

// A waypoint place: a kept fix that the KML writer makes a placemark of.
struct TWaypointMark
{
    TPicturePoint Point;
    double LocalDateTime = 0.0; // days since 30 December 1899, in the time zone asked for
};

struct TPictureBounds
{
    double MinNorth = 0.0, MaxNorth = 0.0, MinEast = 0.0, MaxEast = 0.0;
};

struct TTrackPicture
{
    // The first record, then the kept fixes of the route, thinned: a vertex is kept when it lies
    // in another cell than the vertex kept before it, or starts a stretch; the last kept fix is
    // always the last vertex. When the first record was dropped the route starts at the first
    // kept fix. Fixes that simplification left out of the route are not on it.
    std::vector<TPicturePoint> Track;
    std::vector<TFixNote> Notes; // the fix of each vertex of Track
    // The indexes in Track of the vertices that start the route again (after a gap, a relocation
    // or fixes left out as private): nothing joins them to the vertex before. Ascending.
    std::vector<std::size_t> Breaks;
    std::vector<TDropCluster> Drops;
    std::vector<TWaypointMark> Waypoints;
    std::vector<TPicturePoint> Photos; // the places given to photos from this track
    TPicturePoint Start; // the first record; the first kept fix when the first record was dropped
    TPicturePoint End; // the last kept fix of the route; the first record when none was kept
    TPictureBounds Bounds; // of the first record, every kept fix and every dropped one
    double CellMetres = 0.0; // the side of the cells the picture was thinned on (metres)
    TPictureProjection Projection = TPictureProjection::Plane;
};

// Keeps what the preview draws of a track. The cells start small and double whenever the track
// holds more than maxVertices vertices (or the drops more than maxVertices clusters), so memory
// stays bounded whatever the size of the log. Waypoints follow the KML writer's rule: the first
// kept fix, then every kept fix at least the interval after the last placemark, in the time the
// stream was asked for; they are thinned on the cells as well when they grow past maxVertices.
class TPictureSink final : public TTrackSink
{
public:
    explicit TPictureSink(int waypointIntervalMin, std::size_t maxVertices = 1 << 18,
        double firstCellMetres = 0.25, TPictureProjection projection = TPictureProjection::Plane);

    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override;
    void FirstRecordAt(std::uint64_t line) override;
    void Fix(const TTrackFix& fix) override;
    void Dropped(const TTrackDrop& drop) override;
    void End(double totalMetres, const TTrackCounts& counts) override;

    // The places of photos (degrees), drawn on the picture's grid about the origin the
    // conversion takes for the track's first record.
    void SetPhotos(std::vector<TLatLon> photos, int originIndex)
    {
        photos_ = std::move(photos);
        originIndex_ = originIndex;
    }

    TTrackPicture Take() { return std::move(picture_); }

private:
    void Widen(double north, double east);
    void Coarsen();
    std::int64_t CellOf(double metres) const;

    TTrackPicture picture_;
    TWaypointSpacing waypoints_;
    std::size_t maxVertices_;
    std::int64_t lastNorthCell_ = 0, lastEastCell_ = 0;
    bool started_ = false;
    bool routed_ = false; // a fix of the route has come
    TFixNote endNote_; // of the last kept fix of the route
    std::vector<TLatLon> photos_;
    int originIndex_ = 0;
};

// Where the picture lies on the pixels of a view: equal scale in both directions, north up.
class TPictureView
{
public:
    // Fits the bounds into width x height pixels, margin pixels from every side, centred.
    void Fit(const TPictureBounds& bounds, double width, double height, double margin);
    // Zooms by factor about the pixel (x, y): the plane point under it stays under it.
    void ZoomAt(double x, double y, double factor);
    void Pan(double dx, double dy);

    double PixelsPerMetre() const { return scale_; }
    double X(const TPicturePoint& p) const { return x0_ + (p.East - east0_) * scale_; }
    double Y(const TPicturePoint& p) const { return y0_ - (p.North - north0_) * scale_; }
    TPicturePoint PointAt(double x, double y) const;

private:
    double scale_ = 1.0; // pixels per metre
    double north0_ = 0.0, east0_ = 0.0; // the plane point at pixel (x0_, y0_)
    double x0_ = 0.0, y0_ = 0.0;
};

struct TScreenPoint
{
    double X = 0.0;
    double Y = 0.0;
};

struct TScreenDrops
{
    TScreenPoint At;
    TDropCounts Counts;
};

struct TScreenWaypoint
{
    TScreenPoint At;
    bool Labelled = false; // its time is written beside it (labels never overlap)
};

// A rectangle of pixels: left, top, width, height.
struct TScreenRect
{
    double X = 0.0, Y = 0.0, Width = 0.0, Height = 0.0;

    bool Overlaps(const TScreenRect& o) const
    {
        return X < o.X + o.Width && o.X < X + Width && Y < o.Y + o.Height && o.Y < Y + Height;
    }
};

// A text laid out on the view: a waypoint's local time ("14:34") or a cluster's number.
struct TScreenLabel
{
    TScreenRect Box; // where the text goes, its baseline Box.Height below Box.Y less the descent
    std::string Text;
    bool Count = false; // a cluster's number, not a time
};

// The size of the labels' texts (pixels): every character is taken as wide as the widest digit.
struct TLabelMetrics
{
    double CharWidth = 7.0;
    double Height = 12.0;
};

// What one view draws, in pixels.
struct TScreenPicture
{
    // Consecutive vertices of a stretch lie in different pixels; segments that miss the view
    // are left out.
    std::vector<TScreenPoint> Track;
    std::vector<std::size_t> Breaks; // where a stretch starts anew: the picture's and the cuts
    std::vector<TScreenDrops> Drops; // one cluster per pixel cell of kDropCellPixels
    // Too many clusters to tell apart: drawn as the density of the drops per cell.
    bool DropDensity = false;
    std::vector<TScreenWaypoint> Waypoints; // inside the view, one per cell of kWaypointPixels
    std::vector<TScreenPoint> Photos; // inside the view
    std::vector<TScreenLabel> Labels; // none overlaps another or the start and end marks
    TScreenPoint Start;
    TScreenPoint End;
};

inline constexpr double kDropCellPixels = 6.0;
inline constexpr double kWaypointPixels = 4.0;
inline constexpr std::size_t kDensityClusters = 800; // more clusters than this: a density
inline constexpr double kEndMarkPixels = 9.0; // the start's and the end's marks reserve this

// Projects the picture onto a view of width x height pixels. Track segments that cross the view
// are kept, the others and the drops and waypoints outside it are left out. Labels go right of
// their mark, or left of it, inside the view, where they overlap no label before them and
// neither the start's nor the end's mark: the waypoints' times in their order first, then the
// numbers of the clusters, the largest first.
TScreenPicture Project(const TTrackPicture& picture, const TPictureView& view, double width,
    double height, const TLabelMetrics& metrics = {});

// What lies under the pixel (x, y) within radius pixels: the nearest dropped fixes (every cluster
// within the radius of the nearest, their counts summed and their first few notes), else the
// nearest vertex of the track.
struct TPictureHit
{
    enum class TKind
    {
        None,
        Fix,
        Drops,
    } Kind
        = TKind::None;
    TPicturePoint Point;
    TFixNote Note; // of the fix
    TDropCounts Counts; // of the drops
    TClusterNotes Notes; // of the drops
};
TPictureHit HitTest(
    const TTrackPicture& picture, const TPictureView& view, double x, double y, double radius);

// A scale bar: the longest of 1, 2, 5 x 10^n metres that fits in maxPixels, its length in pixels
// and its text ("500 m", "2 km").
struct TScaleBar
{
    double Metres = 0.0;
    double Pixels = 0.0;
    std::string Text;
};
TScaleBar ScaleBarFor(double pixelsPerMetre, double maxPixels);

// The ground metres one unit of the picture's grid stands for at the pixel row y of a view: 1 on
// the plane, the cosine of the latitude in Web Mercator.
double GroundMetresPerUnit(const TTrackPicture& picture, const TPictureView& view, double y);

} // namespace ostrel
