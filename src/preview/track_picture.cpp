#include "preview/track_picture.h"

#include "geo/projection.h"
#include "text/date_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <unordered_map>
#include <unordered_set>
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
            gathered[at->second].First.Merge(drop.First);
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

TPicturePoint PicturePointOf(
    const TGPSRec& rec, const TPlanePoint& point, TPictureProjection projection)
{
    if (projection == TPictureProjection::Plane)
        return { point.X, point.Y };
    // Web Mercator stops short of the poles, where its northing grows without bound.
    const double lat = std::clamp(rec.Lat, -85.05112878, 85.05112878) * std::numbers::pi / 180;
    return { kMercatorRadius * std::log(std::tan(std::numbers::pi / 4 + lat / 2)),
        kMercatorRadius * rec.Lon * std::numbers::pi / 180 };
}

double MercatorLatitude(double north)
{
    return std::atan(std::sinh(north / kMercatorRadius)) * 180 / std::numbers::pi;
}

TFixNote TFixNote::Of(const TTrackFix& fix)
{
    TFixNote note;
    note.Line = fix.Line;
    note.UtcDateTime = fix.UtcDateTime;
    note.SpeedKmh = static_cast<float>(fix.Kept.SpeedKmh);
    note.DistanceM = static_cast<float>(fix.Kept.DistanceM);
    return note;
}

TFixNote TFixNote::Of(const TTrackDrop& drop)
{
    TFixNote note;
    note.Line = drop.Line;
    note.UtcDateTime = drop.UtcDateTime;
    if (drop.SpeedKmh)
        note.SpeedKmh = static_cast<float>(*drop.SpeedKmh);
    if (drop.DistanceM)
        note.DistanceM = static_cast<float>(*drop.DistanceM);
    note.Kind = TNoteKind::Dropped;
    note.Cause = drop.Cause;
    return note;
}

void TClusterNotes::Merge(const TClusterNotes& other)
{
    std::array<TFixNote, 2 * kClusterNotes> all;
    const auto end = std::merge(Notes.begin(), Notes.begin() + Size, other.Notes.begin(),
        other.Notes.begin() + other.Size, all.begin(),
        [](const TFixNote& a, const TFixNote& b) { return a.Line < b.Line; });
    Size = std::min<std::size_t>(end - all.begin(), kClusterNotes);
    std::copy(all.begin(), all.begin() + Size, Notes.begin());
}

TPictureSink::TPictureSink(int waypointIntervalMin, std::size_t maxVertices, double firstCellMetres,
    TPictureProjection projection)
    : waypoints_(waypointIntervalMin)
    , maxVertices_(std::max<std::size_t>(maxVertices, 4))
{
    picture_.CellMetres = firstCellMetres;
    picture_.Projection = projection;
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

void TPictureSink::Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point)
{
    const TPicturePoint p = PicturePointOf(first, point, picture_.Projection);
    Widen(p.North, p.East);
    picture_.Start = picture_.End = p;
    picture_.Track.push_back(p);
    endNote_ = TFixNote {};
    endNote_.UtcDateTime = utcDateTime;
    endNote_.Kind = TNoteKind::FirstRecord;
    picture_.Notes.push_back(endNote_);
    lastNorthCell_ = CellOf(p.North);
    lastEastCell_ = CellOf(p.East);
    if (!photos_.empty()) {
        const TProjection projection(SetOrigin(originIndex_, first));
        for (const TLatLon& photo : photos_) {
            TGPSRec rec;
            rec.Lat = photo.Lat;
            rec.Lon = photo.Lon;
            picture_.Photos.push_back(
                PicturePointOf(rec, projection.ToPlanePoint(rec), picture_.Projection));
        }
    }
}

void TPictureSink::FirstRecordAt(std::uint64_t line)
{
    picture_.Notes.front().Line = line;
    endNote_.Line = line;
}

void TPictureSink::Fix(const TTrackFix& fix)
{
    const TPicturePoint p = PicturePointOf(fix.Rec, fix.Point, picture_.Projection);
    Widen(p.North, p.East);
    // The writers' rule, to the day count; a fix left out of the route may be a waypoint still.
    if (waypoints_.Due(fix.Rec.DateTime))
        picture_.Waypoints.push_back({ p, fix.Rec.DateTime });
    if (fix.InRoute) {
        const TFixNote note = TFixNote::Of(fix);
        if (picture_.Track.empty()) {
            // The first record was dropped: the route starts here.
            picture_.Start = p;
            picture_.Track.push_back(p);
            picture_.Notes.push_back(note);
        } else if (fix.StartsSegment) {
            picture_.Breaks.push_back(picture_.Track.size());
            picture_.Track.push_back(p);
            picture_.Notes.push_back(note);
        } else if (CellOf(p.North) != lastNorthCell_ || CellOf(p.East) != lastEastCell_) {
            picture_.Track.push_back(p);
            picture_.Notes.push_back(note);
        }
        lastNorthCell_ = CellOf(picture_.Track.back().North);
        lastEastCell_ = CellOf(picture_.Track.back().East);
        picture_.End = p;
        endNote_ = note;
        routed_ = true;
    }
    if (picture_.Track.size() > maxVertices_ || picture_.Waypoints.size() > maxVertices_)
        Coarsen();
}

void TPictureSink::Dropped(const TTrackDrop& dropped)
{
    const TPicturePoint point = PicturePointOf(dropped.Rec, dropped.Point, picture_.Projection);
    Widen(point.North, point.East);
    // The first record dropped before any fix: the route starts at the first kept fix.
    if (dropped.FirstRecord && !routed_) {
        picture_.Track.clear();
        picture_.Notes.clear();
    }
    TDropCluster drop;
    drop.Point = point;
    drop.Counts.ByCause[static_cast<int>(dropped.Cause)] = 1;
    drop.First.Notes[0] = TFixNote::Of(dropped);
    drop.First.Size = 1;
    // Joins the cluster of its cell when that is the last one (runs of drops); the rest are
    // gathered when the clusters grow past the limit and at the end.
    if (!picture_.Drops.empty()) {
        TDropCluster& last = picture_.Drops.back();
        if (CellOf(last.Point.North) == CellOf(point.North)
            && CellOf(last.Point.East) == CellOf(point.East)) {
            last.Counts += drop.Counts;
            last.First.Merge(drop.First);
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
                || CellOf(track[i].East) != CellOf(before.East)) {
                picture_.Notes[kept] = picture_.Notes[i];
                track[kept++] = track[i];
            }
        }
        track.resize(std::min(kept, track.size()));
        picture_.Notes.resize(track.size());
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
    if (picture_.Track.empty() || !(picture_.Track.back() == picture_.End)) {
        picture_.Track.push_back(picture_.End);
        picture_.Notes.push_back(endNote_);
    }
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

namespace {

// Rectangles placed so far, found through cells of a fixed side.
class TLabelGrid
{
public:
    bool Free(const TScreenRect& box) const
    {
        bool free = true;
        ForCells(box, [&](const TCellKey& key) {
            const auto found = cells_.find(key);
            if (found == cells_.end())
                return;
            for (const std::size_t i : found->second)
                free = free && !boxes_[i].Overlaps(box);
        });
        return free;
    }
    void Add(const TScreenRect& box)
    {
        boxes_.push_back(box);
        ForCells(box, [&](const TCellKey& key) { cells_[key].push_back(boxes_.size() - 1); });
    }

private:
    static constexpr double kSide = 64.0; // pixels

    template <class Visit> static void ForCells(const TScreenRect& box, Visit&& visit)
    {
        for (std::int64_t x = Cell(box.X, kSide); x <= Cell(box.X + box.Width, kSide); ++x)
            for (std::int64_t y = Cell(box.Y, kSide); y <= Cell(box.Y + box.Height, kSide); ++y)
                visit(TCellKey { x, y });
    }

    std::vector<TScreenRect> boxes_;
    std::unordered_map<TCellKey, std::vector<std::size_t>, TCellHash> cells_;
};

constexpr double kLabelGap = 5.0; // pixels between a mark's centre and its label

} // namespace

TScreenPicture Project(const TTrackPicture& picture, const TPictureView& view, double width,
    double height, const TLabelMetrics& metrics)
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

    // A segment is drawn when its bounding box meets the view (and a few pixels about it): the
    // rest of a long track costs nothing once zoomed in.
    constexpr double kSlack = 4.0;
    const auto seen = [&](const TScreenPoint& a, const TScreenPoint& b) {
        return std::max(a.X, b.X) >= -kSlack && std::min(a.X, b.X) <= width + kSlack
            && std::max(a.Y, b.Y) >= -kSlack && std::min(a.Y, b.Y) <= height + kSlack;
    };
    const auto startStretch = [&](const TScreenPoint& p) {
        if (!screen.Track.empty())
            screen.Breaks.push_back(screen.Track.size());
        screen.Track.push_back(p);
    };
    std::size_t nextBreak = 0;
    TScreenPoint last;
    bool open = false; // last is the end of the stretch being drawn
    for (std::size_t i = 0; i < picture.Track.size(); ++i) {
        const TScreenPoint s = at(picture.Track[i]);
        const bool breaks = nextBreak < picture.Breaks.size() && picture.Breaks[nextBreak] == i;
        if (breaks)
            ++nextBreak;
        if (i == 0 || breaks) {
            open = seen(s, s);
            if (open)
                startStretch(s);
        } else if (seen(last, s)) {
            if (!open)
                startStretch(last);
            open = true;
            const TScreenPoint& drawn = screen.Track.back();
            if (pixel(drawn.X) != pixel(s.X) || pixel(drawn.Y) != pixel(s.Y))
                screen.Track.push_back(s);
        } else {
            open = false;
        }
        last = s;
    }
    // The last kept fix ends the line exactly.
    if (open && !picture.Track.empty()) {
        const TScreenPoint end = at(picture.Track.back());
        if (screen.Track.back().X != end.X || screen.Track.back().Y != end.Y)
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
    screen.DropDensity = screen.Drops.size() > kDensityClusters;
    for (const TPicturePoint& photo : picture.Photos) {
        const TScreenPoint s = at(photo);
        if (inside(s))
            screen.Photos.push_back(s);
    }

    screen.Start = at(picture.Start);
    screen.End = at(picture.End);
    // The start's and the end's marks stay clear of every label.
    TLabelGrid placed;
    for (const TScreenPoint& mark : { screen.Start, screen.End })
        placed.Add({ mark.X - kEndMarkPixels, mark.Y - kEndMarkPixels, 2 * kEndMarkPixels,
            2 * kEndMarkPixels });
    // A label right of its mark, else left of it, inside the view and clear of the others.
    const auto place = [&](const TScreenPoint& mark, std::string text, bool count) {
        const double w = metrics.CharWidth * static_cast<double>(text.size());
        const double h = metrics.Height;
        // Beside the mark, else beyond a start's or an end's mark, else on its left.
        for (const double x :
            { mark.X + kLabelGap, mark.X + kEndMarkPixels + 1, mark.X - kLabelGap - w }) {
            const TScreenRect box { x, mark.Y - h / 2, w, h };
            if (box.X < 0 || box.Y < 0 || box.X + w > width || box.Y + h > height
                || !placed.Free(box))
                continue;
            placed.Add(box);
            screen.Labels.push_back({ box, std::move(text), count });
            return true;
        }
        return false;
    };

    std::unordered_set<std::int64_t> marked; // waypoint cells, x and y in one number
    for (const TWaypointMark& mark : picture.Waypoints) {
        const TScreenPoint s = at(mark.Point);
        if (!inside(s))
            continue;
        const bool labelled = place(s, FormatDateTime("HH:NN", mark.LocalDateTime), false);
        const std::int64_t cell
            = Cell(s.X, kWaypointPixels) * 0x100000 + Cell(s.Y, kWaypointPixels);
        if (marked.insert(cell).second || labelled)
            screen.Waypoints.push_back({ s, labelled });
    }
    // The numbers of the clusters, the largest first (at most some hundreds tried).
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < screen.Drops.size(); ++i)
        if (screen.Drops[i].Counts.Total() > 1)
            order.push_back(i);
    const std::size_t tried = std::min<std::size_t>(order.size(), 400);
    std::partial_sort(
        order.begin(), order.begin() + tried, order.end(), [&](std::size_t a, std::size_t b) {
            return screen.Drops[a].Counts.Total() > screen.Drops[b].Counts.Total();
        });
    for (std::size_t i = 0; i < tried; ++i) {
        const TScreenDrops& drops = screen.Drops[order[i]];
        place(drops.At, std::to_string(drops.Counts.Total()), true);
    }
    return screen;
}

TPictureHit HitTest(
    const TTrackPicture& picture, const TPictureView& view, double x, double y, double radius)
{
    TPictureHit hit;
    const auto distance = [&](const TPicturePoint& p) {
        return std::hypot(view.X(p) - x, view.Y(p) - y);
    };
    double nearest = radius;
    const TDropCluster* nearestDrop = nullptr;
    for (const TDropCluster& drop : picture.Drops) {
        const double d = distance(drop.Point);
        if (d <= nearest) {
            nearest = d;
            nearestDrop = &drop;
        }
    }
    if (nearestDrop != nullptr) {
        // Every cluster drawn with the nearest one.
        hit.Kind = TPictureHit::TKind::Drops;
        hit.Point = nearestDrop->Point;
        const double cx = view.X(nearestDrop->Point), cy = view.Y(nearestDrop->Point);
        for (const TDropCluster& drop : picture.Drops) {
            if (std::hypot(view.X(drop.Point) - cx, view.Y(drop.Point) - cy) <= kDropCellPixels) {
                hit.Counts += drop.Counts;
                hit.Notes.Merge(drop.First);
            }
        }
        return hit;
    }
    nearest = radius;
    for (std::size_t i = 0; i < picture.Track.size() && i < picture.Notes.size(); ++i) {
        const double d = distance(picture.Track[i]);
        if (d <= nearest) {
            nearest = d;
            hit.Kind = TPictureHit::TKind::Fix;
            hit.Point = picture.Track[i];
            hit.Note = picture.Notes[i];
        }
    }
    return hit;
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

double GroundMetresPerUnit(const TTrackPicture& picture, const TPictureView& view, double y)
{
    if (picture.Projection == TPictureProjection::Plane)
        return 1.0;
    return std::cos(MercatorLatitude(view.PointAt(0, y).North) * std::numbers::pi / 180);
}

} // namespace ostrel
