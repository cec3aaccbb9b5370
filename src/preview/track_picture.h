#pragma once

// The picture of a track, as the preview draws it: a sink of the track stream that keeps only
// what can be seen (the kept track thinned on a grid of cells, dropped fixes gathered per cell,
// the waypoint places), the view that maps plane metres onto pixels at equal scale with north
// up, and the projection of the picture onto the pixels of one view (at most one track vertex
// per pixel, overlapping dropped marks gathered into one cluster).

#include "geo/track.h"
#include "geo/waypoint_spacing.h"

#include <array>
#include <cstddef>
#include <cstdint>
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

// Dropped fixes that share a cell (or a pixel): where the first of them lay, and how many of
// each cause.
struct TDropCluster
{
    TPicturePoint Point;
    TDropCounts Counts;
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
    // The indexes in Track of the vertices that start the route again (after a gap, a relocation
    // or fixes left out as private): nothing joins them to the vertex before. Ascending.
    std::vector<std::size_t> Breaks;
    std::vector<TDropCluster> Drops;
    std::vector<TWaypointMark> Waypoints;
    TPicturePoint Start; // the first record; the first kept fix when the first record was dropped
    TPicturePoint End; // the last kept fix of the route; the first record when none was kept
    TPictureBounds Bounds; // of the first record, every kept fix and every dropped one
    double CellMetres = 0.0; // the side of the cells the picture was thinned on (metres)
};

// Keeps what the preview draws of a track. The cells start small and double whenever the track
// holds more than maxVertices vertices (or the drops more than maxVertices clusters), so memory
// stays bounded whatever the size of the log. Waypoints follow the KML writer's rule: the first
// kept fix, then every kept fix at least the interval after the last placemark, in the time the
// stream was asked for; they are thinned on the cells as well when they grow past maxVertices.
class TPictureSink final : public TTrackSink
{
public:
    explicit TPictureSink(
        int waypointIntervalMin, std::size_t maxVertices = 1 << 18, double firstCellMetres = 0.25);

    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override;
    void Fix(const TTrackFix& fix) override;
    void Dropped(const TTrackDrop& drop) override;
    void End(double totalMetres, const TTrackCounts& counts) override;

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
    double LocalDateTime = 0.0;
    bool Labelled = false; // its time is written beside it (labels never overlap)
};

// What one view draws, in pixels.
struct TScreenPicture
{
    std::vector<TScreenPoint> Track; // consecutive vertices of a stretch lie in different pixels
    std::vector<std::size_t> Breaks; // as the picture's: where a stretch starts anew
    std::vector<TScreenDrops> Drops; // one cluster per pixel cell of kDropCellPixels
    std::vector<TScreenWaypoint> Waypoints; // those inside the view
    TScreenPoint Start;
    TScreenPoint End;
};

inline constexpr double kDropCellPixels = 6.0;

// Projects the picture onto a view of width x height pixels. Track vertices outside the view
// are kept (lines cross it), drops and waypoints outside it are left out; a waypoint's time is
// labelled when it lies at least labelSpacing pixels from every labelled one before it.
TScreenPicture Project(const TTrackPicture& picture, const TPictureView& view, double width,
    double height, double labelSpacing = 40.0);

// A scale bar: the longest of 1, 2, 5 x 10^n metres that fits in maxPixels, its length in pixels
// and its text ("500 m", "2 km").
struct TScaleBar
{
    double Metres = 0.0;
    double Pixels = 0.0;
    std::string Text;
};
TScaleBar ScaleBarFor(double pixelsPerMetre, double maxPixels);

} // namespace ostrel
