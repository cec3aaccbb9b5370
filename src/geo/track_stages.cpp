#include "geo/track_stages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace ostrel {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

template <std::size_t n> void CopyText(char (&to)[n], const std::string& from)
{
    std::memset(to, ' ', n);
    std::memcpy(to, from.data(), std::min(n, from.size()));
}

THeldEvent Held(const TGPSRec& rec, double utc, const TPlanePoint& point)
{
    THeldEvent event {};
    CopyText(event.Tag, rec.Tag);
    CopyText(event.TimeText, rec.TimeText);
    CopyText(event.DateText, rec.DateText);
    CopyText(event.Status, rec.Status);
    event.DateTime = rec.DateTime;
    event.Lat = rec.Lat;
    event.Lon = rec.Lon;
    event.Utc = utc;
    event.Point = point;
    return event;
}

std::optional<double> Given(double value)
{
    return std::isnan(value) ? std::nullopt : std::optional<double>(value);
}

// The fix measured from the route's fix before it; nothing measured where there is none, or at
// the start of a segment. Two fixes of one time (the log's time ran back) have no speed.
TKeptFix Measured(const std::optional<TPlanePoint>& from, const TPlanePoint& to, bool joined)
{
    if (!from || !joined)
        return { 0.0, 0.0, 0.0 };
    const double distance = PlaneDistance(*from, to);
    const double speed = from->DateTime != to.DateTime ? SpeedKmh(*from, to) : 0.0;
    return { speed, HeadingDeg(*from, to), distance };
}

void HandOn(TTrackSink& next, const THeldEvent& event)
{
    const TGPSRec rec = RecordOf(event);
    if (event.Kept) {
        next.Fix({ rec, event.Utc, event.Point, event.KeptFix, event.TotalMetres, event.Line,
            event.StartsSegment, event.InRoute });
    } else {
        next.Dropped({ rec, event.Utc, event.Point, event.Cause, event.Line, Given(event.SpeedKmh),
            Given(event.DistanceM), event.FirstRecord });
    }
}

// The distance of p from the segment a-b of the plane (metres).
double DistanceFromSegment(const TPlanePoint& p, const TPlanePoint& a, const TPlanePoint& b)
{
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.X + t * dx - p.X, ey = a.Y + t * dy - p.Y;
    return std::sqrt(ex * ex + ey * ey);
}

} // namespace

THeldEvent HeldFix(const TTrackFix& fix)
{
    THeldEvent event = Held(fix.Rec, fix.UtcDateTime, fix.Point);
    event.Kept = true;
    event.StartsSegment = fix.StartsSegment;
    event.InRoute = fix.InRoute;
    event.KeptFix = fix.Kept;
    event.TotalMetres = fix.TotalMetres;
    event.Line = fix.Line;
    event.SpeedKmh = event.DistanceM = kNone;
    return event;
}

THeldEvent HeldDrop(const TTrackDrop& drop)
{
    THeldEvent event = Held(drop.Rec, drop.UtcDateTime, drop.Point);
    event.Kept = false;
    event.Cause = drop.Cause;
    event.FirstRecord = drop.FirstRecord;
    event.Line = drop.Line;
    event.SpeedKmh = drop.SpeedKmh.value_or(kNone);
    event.DistanceM = drop.DistanceM.value_or(kNone);
    return event;
}

TGPSRec RecordOf(const THeldEvent& event)
{
    TGPSRec rec;
    rec.Tag.assign(event.Tag, sizeof event.Tag);
    rec.TimeText.assign(event.TimeText, sizeof event.TimeText);
    rec.DateText.assign(event.DateText, sizeof event.DateText);
    rec.Status.assign(event.Status, sizeof event.Status);
    rec.DateTime = event.DateTime;
    rec.Lat = event.Lat;
    rec.Lon = event.Lon;
    return rec;
}

// ---- Privacy -------------------------------------------------------------------------------

TPrivacyStage::TPrivacyStage(
    double radiusM, const std::filesystem::path& scratchFolder, TTrackSink& next)
    : radius_(radiusM)
    , next_(next)
    , held_(scratchFolder)
{
}

void TPrivacyStage::Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point)
{
    start_ = point;
    next_.Begin(first, utcDateTime, point);
}

void TPrivacyStage::Fix(const TTrackFix& fix)
{
    if (!start_)
        start_ = fix.Point; // the first record was dropped: the track starts here
    end_ = fix.Point;
    held_.Push(HeldFix(fix));
}

void TPrivacyStage::Dropped(const TTrackDrop& drop)
{
    if (drop.FirstRecord && !end_)
        start_.reset();
    held_.Push(HeldDrop(drop));
}

void TPrivacyStage::End(double, const TTrackCounts& counts)
{
    TTrackCounts told = counts;
    std::optional<TPlanePoint> previous;
    bool leftOut = false; // fixes were left out since the route's last fix
    double total = 0.0;
    const auto nearEnds = [&](const TPlanePoint& point) {
        return (start_ && PlaneDistance(*start_, point) < radius_)
            || (end_ && PlaneDistance(*end_, point) < radius_);
    };
    held_.ForEach([&](THeldEvent& event) {
        if (event.Kept && nearEnds(event.Point)) {
            event.Kept = false;
            event.Cause = TDropCause::Private;
            event.FirstRecord = false;
            event.DistanceM = previous ? PlaneDistance(*previous, event.Point) : kNone;
            event.SpeedKmh = previous && previous->DateTime != event.Point.DateTime
                ? SpeedKmh(*previous, event.Point)
                : kNone;
            --told.Kept;
            ++told.DroppedBy(TDropCause::Private);
            leftOut = true;
        } else if (event.Kept) {
            // Nothing joins the route across a stretch left out: the line would show it.
            const bool joined = !event.StartsSegment && !leftOut;
            event.KeptFix = Measured(previous, event.Point, joined);
            event.StartsSegment = !joined;
            total += event.KeptFix.DistanceM;
            event.TotalMetres = total;
            previous = event.Point;
            leftOut = false;
        }
        HandOn(next_, event);
    });
    next_.End(total, told);
}

// ---- Simplification ------------------------------------------------------------------------

TSimplifyStage::TSimplifyStage(double toleranceM, TTrackSink& next)
    : tolerance_(toleranceM)
    , next_(next)
{
}

void TSimplifyStage::Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point)
{
    next_.Begin(first, utcDateTime, point);
}

void TSimplifyStage::Fix(const TTrackFix& fix)
{
    if (fix.StartsSegment && keptInWindow_ > 0)
        Flush(); // the segment before ends here
    window_.push_back(HeldFix(fix));
    ++keptInWindow_;
    if (keptInWindow_ >= kWindow)
        Flush();
}

void TSimplifyStage::Dropped(const TTrackDrop& drop)
{
    window_.push_back(HeldDrop(drop));
    // Drops alone never fill the memory: beyond a bound they go on with what is decided.
    if (window_.size() >= 4 * kWindow)
        Flush();
}

void TSimplifyStage::End(double, const TTrackCounts& counts)
{
    Flush();
    TTrackCounts told = counts;
    told.Simplified += simplified_;
    next_.End(total_, told);
}

void TSimplifyStage::Flush()
{
    std::vector<std::size_t> kept; // the window's kept fixes
    for (std::size_t i = 0; i < window_.size(); ++i) {
        if (window_[i].Kept)
            kept.push_back(i);
    }
    // Douglas-Peucker: between two fixes of the route, the fix farthest from the line joining
    // them joins the route when it lies beyond the tolerance, and each half is looked at again.
    std::vector<char> routed(kept.size(), 0);
    if (!kept.empty()) {
        routed.front() = routed.back() = 1;
        std::vector<std::pair<std::size_t, std::size_t>> spans { { 0, kept.size() - 1 } };
        while (!spans.empty()) {
            const auto [a, b] = spans.back();
            spans.pop_back();
            double farthest = -1.0;
            std::size_t at = a;
            for (std::size_t k = a + 1; k < b; ++k) {
                const double d = DistanceFromSegment(
                    window_[kept[k]].Point, window_[kept[a]].Point, window_[kept[b]].Point);
                if (d > farthest) {
                    farthest = d;
                    at = k;
                }
            }
            if (farthest > tolerance_) {
                routed[at] = 1;
                spans.push_back({ a, at });
                spans.push_back({ at, b });
            }
        }
    }
    std::size_t k = 0;
    for (std::size_t i = 0; i < window_.size(); ++i) {
        THeldEvent& event = window_[i];
        if (event.Kept) {
            const bool joined = !event.StartsSegment;
            event.KeptFix = Measured(lastRouted_, event.Point, joined);
            if (routed[k]) {
                total_ += event.KeptFix.DistanceM;
                event.TotalMetres = total_;
                lastRouted_ = event.Point;
            } else {
                event.InRoute = false;
                event.TotalMetres = total_ + event.KeptFix.DistanceM;
                ++simplified_;
            }
            ++k;
        }
        HandOn(next_, event);
    }
    window_.clear();
    keptInWindow_ = 0;
}

} // namespace ostrel
