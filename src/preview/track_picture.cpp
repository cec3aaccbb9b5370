#include "preview/track_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <utility>

namespace ostrel {

namespace {

// Cells never grow past this (metres): a log of a logger spans far less.
constexpr double kLargestCellMetres = 1 << 20;

struct TCellKey
{
    std::int64_t North;
    std::int64_t East;
    bool operator==(const TCellKey&) const = default;
};

struct TCellHash
{
    std::size_t operator()(const TCellKey& key) const
    {
        return std::hash<std::int64_t>()(key.North * 0x9E3779B97F4A7C15ULL ^ key.East);
    }
};

std::int64_t Cell(double value, double side)
{
    return static_cast<std::int64_t>(std::floor(value / side));
}

// Gathers clusters that share a cell of the given side into one, in the order of their first.
std::vector<TDropCluster> Gather(const std::vector<TDropCluster>& drops, double side,
    double (*north)(const TDropCluster&), double (*east)(const TDropCluster&))
{
    std::vector<TDropCluster> gathered;
    std::unordered_map<TCellKey, std::size_t, TCellHash> index;
    for (const TDropCluster& drop : drops) {
        const TCellKey key { Cell(north(drop), side), Cell(east(drop), side) };
        const auto [at, added] = index.try_emplace(key, gathered.size());
        if (added) {
            gathered.push_back(drop);
        } else {
            gathered[at->second].Counts += drop.Counts;
        }
    }
    return gathered;
}

double PlaneNorth(const TDropCluster& drop)
{
    return drop.Point.North;
}
double PlaneEast(const TDropCluster& drop)
{
    return drop.Point.East;
}

} // namespace

TPictureSink::TPictureSink(int waypointIntervalMin, std::size_t maxVertices, double firstCellMetres)
    : waypoints_(waypointIntervalMin)
    , maxVertices_(std::max<std::size_t>(maxVertices, 4))
{
    picture_.CellMetres = firstCellMetres;
}

std::int64_t TPictureSink::CellOf(double metres) const
{
    return Cell(metres, picture_.CellMetres);
}

void TPictureSink::Widen(double north, double east)
{
    TPictureBounds& b = picture_.Bounds;
    if (!started_) {
        b = { north, north, east, east };
        started_ = true;
        return;
    }
    b.MinNorth = std::min(b.MinNorth, north);
    b.MaxNorth = std::max(b.MaxNorth, north);
    b.MinEast = std::min(b.MinEast, east);
    b.MaxEast = std::max(b.MaxEast, east);
}

void TPictureSink::Begin(const TGPSRec&, double, const TPlanePoint& point)
{
    const TPicturePoint p { point.X, point.Y };
    Widen(p.North, p.East);
    picture_.Start = picture_.End = p;
    picture_.Track.push_back(p);
    lastNorthCell_ = CellOf(p.North);
    lastEastCell_ = CellOf(p.East);
}

void TPictureSink::Fix(const TTrackFix& fix)
{
    const TPicturePoint p { fix.Point.X, fix.Point.Y };
    Widen(p.North, p.East);
    // The writers' rule, to the day count; a fix left out of the route may be a waypoint still.
    if (waypoints_.Due(fix.Rec.DateTime))
        picture_.Waypoints.push_back({ p, fix.Rec.DateTime });
    if (fix.InRoute) {
        if (picture_.Track.empty()) {
            // The first record was dropped: the route starts here.
            picture_.Start = p;
            picture_.Track.push_back(p);
        } else if (fix.StartsSegment) {
            picture_.Breaks.push_back(picture_.Track.size());
            picture_.Track.push_back(p);
        } else if (CellOf(p.North) != lastNorthCell_ || CellOf(p.East) != lastEastCell_) {
            picture_.Track.push_back(p);
        }
        lastNorthCell_ = CellOf(picture_.Track.back().North);
        lastEastCell_ = CellOf(picture_.Track.back().East);
        picture_.End = p;
        routed_ = true;
    }
    if (picture_.Track.size() > maxVertices_ || picture_.Waypoints.size() > maxVertices_)
        Coarsen();
}

void TPictureSink::Dropped(const TTrackDrop& dropped)
{
    const TPlanePoint& point = dropped.Point;
    Widen(point.X, point.Y);
    // The first record dropped before any fix: the route starts at the first kept fix.
    if (dropped.FirstRecord && !routed_)
        picture_.Track.clear();
    TDropCluster drop { { point.X, point.Y } };
    drop.Counts.ByCause[static_cast<int>(dropped.Cause)] = 1;
    // Joins the cluster of its cell when that is the last one (runs of drops); the rest are
    // gathered when the clusters grow past the limit and at the end.
    if (!picture_.Drops.empty()) {
        TDropCluster& last = picture_.Drops.back();
        if (CellOf(last.Point.North) == CellOf(point.X)
            && CellOf(last.Point.East) == CellOf(point.Y)) {
            last.Counts += drop.Counts;
            return;
        }
    }
    picture_.Drops.push_back(drop);
    if (picture_.Drops.size() > maxVertices_) {
        picture_.Drops = Gather(picture_.Drops, picture_.CellMetres, PlaneNorth, PlaneEast);
        if (picture_.Drops.size() > maxVertices_ / 2)
            Coarsen();
    }
}

void TPictureSink::Coarsen()
{
    // Doubles the cells until the track fits in half the limit, so that this runs rarely.
    do {
        picture_.CellMetres *= 2;
        std::vector<TPicturePoint>& track = picture_.Track;
        std::size_t kept = 1;
        std::size_t nextBreak = 0; // in Breaks, which move down with their vertices
        for (std::size_t i = 1; i < track.size(); ++i) {
            const TPicturePoint& before = track[kept - 1];
            const bool breaks
                = nextBreak < picture_.Breaks.size() && picture_.Breaks[nextBreak] == i;
            if (breaks)
                picture_.Breaks[nextBreak++] = kept;
            if (breaks || CellOf(track[i].North) != CellOf(before.North)
                || CellOf(track[i].East) != CellOf(before.East))
                track[kept++] = track[i];
        }
        track.resize(std::min(kept, track.size()));
        std::vector<TWaypointMark>& marks = picture_.Waypoints;
        if (marks.size() > maxVertices_ / 2) {
            std::size_t keptMarks = 1;
            for (std::size_t i = 1; i < marks.size(); ++i) {
                const TPicturePoint& before = marks[keptMarks - 1].Point;
                if (CellOf(marks[i].Point.North) != CellOf(before.North)
                    || CellOf(marks[i].Point.East) != CellOf(before.East))
                    marks[keptMarks++] = marks[i];
            }
            marks.resize(keptMarks);
        }
        picture_.Drops = Gather(picture_.Drops, picture_.CellMetres, PlaneNorth, PlaneEast);
    } while ((picture_.Track.size() > maxVertices_ / 2 || picture_.Drops.size() > maxVertices_ / 2
                 || picture_.Waypoints.size() > maxVertices_ / 2)
        && picture_.CellMetres < kLargestCellMetres);
    // A track that keeps crossing the lines of the largest cells (to and fro over one of them)
    // cannot be thinned further: it gets more room instead, so that this stays rare.
    while (picture_.Track.size() > maxVertices_ / 2 || picture_.Drops.size() > maxVertices_ / 2
        || picture_.Waypoints.size() > maxVertices_ / 2)
        maxVertices_ *= 2;
    if (!picture_.Track.empty()) {
        lastNorthCell_ = CellOf(picture_.Track.back().North);
        lastEastCell_ = CellOf(picture_.Track.back().East);
    }
}

void TPictureSink::End(double, const TTrackCounts&)
{
    if (picture_.Track.empty() || !(picture_.Track.back() == picture_.End))
        picture_.Track.push_back(picture_.End);
    picture_.Drops = Gather(picture_.Drops, picture_.CellMetres, PlaneNorth, PlaneEast);
}

void TPictureView::Fit(const TPictureBounds& b, double width, double height, double margin)
{
    const double w = std::max(width - 2 * margin, 1.0);
    const double h = std::max(height - 2 * margin, 1.0);
    const double spanEast = b.MaxEast - b.MinEast;
    const double spanNorth = b.MaxNorth - b.MinNorth;
    // A single place (or a line) gets a view of about 100 m.
    const double span = std::max({ spanEast / w, spanNorth / h, 100.0 / std::min(w, h) });
    scale_ = 1.0 / span;
    north0_ = (b.MinNorth + b.MaxNorth) / 2;
    east0_ = (b.MinEast + b.MaxEast) / 2;
    x0_ = width / 2;
    y0_ = height / 2;
}

void TPictureView::ZoomAt(double x, double y, double factor)
{
    const TPicturePoint under = PointAt(x, y);
    scale_ *= factor;
    north0_ = under.North;
    east0_ = under.East;
    x0_ = x;
    y0_ = y;
}

void TPictureView::Pan(double dx, double dy)
{
    x0_ += dx;
    y0_ += dy;
}

TPicturePoint TPictureView::PointAt(double x, double y) const
{
    return { north0_ - (y - y0_) / scale_, east0_ + (x - x0_) / scale_ };
}

TScreenPicture Project(const TTrackPicture& picture, const TPictureView& view, double width,
    double height, double labelSpacing)
{
    TScreenPicture screen;
    auto at = [&](const TPicturePoint& p) {
        return TScreenPoint { view.X(p), view.Y(p) };
    };
    auto inside = [&](const TScreenPoint& s) {
        return s.X >= 0 && s.Y >= 0 && s.X < width && s.Y < height;
    };
    auto pixel = [](double v) {
        return static_cast<std::int64_t>(std::floor(v));
    };

    std::size_t nextBreak = 0;
    for (std::size_t i = 0; i < picture.Track.size(); ++i) {
        const TScreenPoint s = at(picture.Track[i]);
        const bool breaks = nextBreak < picture.Breaks.size() && picture.Breaks[nextBreak] == i;
        if (breaks) {
            ++nextBreak;
            screen.Breaks.push_back(screen.Track.size());
        } else if (!screen.Track.empty()) {
            const TScreenPoint& last = screen.Track.back();
            if (pixel(last.X) == pixel(s.X) && pixel(last.Y) == pixel(s.Y))
                continue;
        }
        screen.Track.push_back(s);
    }
    // The last kept fix ends the line exactly.
    if (!picture.Track.empty()) {
        const TScreenPoint end = at(picture.Track.back());
        if (screen.Track.empty() || screen.Track.back().X != end.X
            || screen.Track.back().Y != end.Y)
            screen.Track.push_back(end);
    }

    std::unordered_map<TCellKey, std::size_t, TCellHash> cells;
    for (const TDropCluster& drop : picture.Drops) {
        const TScreenPoint s = at(drop.Point);
        if (!inside(s))
            continue;
        const TCellKey key { Cell(s.X, kDropCellPixels), Cell(s.Y, kDropCellPixels) };
        const auto [found, added] = cells.try_emplace(key, screen.Drops.size());
        if (added) {
            screen.Drops.push_back({ s, drop.Counts });
        } else {
            screen.Drops[found->second].Counts += drop.Counts;
        }
    }

    // Labelled waypoints by cells of the label spacing: a new label looks at the 3 x 3 cells
    // about its own.
    std::unordered_map<TCellKey, std::vector<TScreenPoint>, TCellHash> labels;
    for (const TWaypointMark& mark : picture.Waypoints) {
        const TScreenPoint s = at(mark.Point);
        if (!inside(s))
            continue;
        const std::int64_t cx = Cell(s.X, labelSpacing);
        const std::int64_t cy = Cell(s.Y, labelSpacing);
        bool free = true;
        for (std::int64_t dx = -1; free && dx <= 1; ++dx)
            for (std::int64_t dy = -1; free && dy <= 1; ++dy) {
                const auto found = labels.find({ cx + dx, cy + dy });
                if (found == labels.end())
                    continue;
                for (const TScreenPoint& other : found->second)
                    free = free && std::hypot(other.X - s.X, other.Y - s.Y) >= labelSpacing;
            }
        if (free)
            labels[{ cx, cy }].push_back(s);
        screen.Waypoints.push_back({ s, mark.LocalDateTime, free });
    }
    screen.Start = at(picture.Start);
    screen.End = at(picture.End);
    return screen;
}

TScaleBar ScaleBarFor(double pixelsPerMetre, double maxPixels)
{
    TScaleBar bar;
    const double most = maxPixels / pixelsPerMetre; // metres
    double power = std::pow(10.0, std::floor(std::log10(most)));
    for (const double step : { 5.0, 2.0, 1.0 }) {
        if (step * power <= most) {
            bar.Metres = step * power;
            break;
        }
    }
    if (bar.Metres == 0)
        bar.Metres = power;
    bar.Pixels = bar.Metres * pixelsPerMetre;
    const auto whole = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, v >= 1 ? "%.0f" : "%.1g", v);
        return std::string(text);
    };
    bar.Text = bar.Metres >= 1000 ? whole(bar.Metres / 1000) + " km" : whole(bar.Metres) + " m";
    return bar;
}

} // namespace ostrel
