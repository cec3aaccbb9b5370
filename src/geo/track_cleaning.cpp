#include "geo/track_cleaning.h"

namespace ostrel {

TCleaningFilter::TCleaningFilter(
    double speedLimitKmh, const TCleaning& cleaning, TTrackSink& sink, TTrackCounts& counts)
    : limit_(speedLimitKmh)
    , cleaning_(cleaning)
    , sink_(sink)
    , counts_(counts)
{
    if (cleaning_.RunLength < 1)
        cleaning_.RunLength = 1;
}

bool TCleaningFilter::InTime(double utc) const
{
    // Within half a millisecond, the resolution of the times shown: a record at the very second
    // given is in, whatever the last bit of the sums.
    constexpr double kHalfMs = 0.0005 / 86400;
    const double local = utc + cleaning_.ZoneShiftDays;
    return (!cleaning_.From || local >= *cleaning_.From - kHalfMs)
        && (!cleaning_.To || local <= *cleaning_.To + kHalfMs);
}

bool TCleaningFilter::Plausible(const TPlanePoint& from, const TPlanePoint& to) const
{
    // As the speed filter: a speed that is not a number is no plausible speed.
    return from.DateTime != to.DateTime && SpeedKmh(from, to) < limit_;
}

void TCleaningFilter::First(
    const TGPSRec& rec, double utc, const TPlanePoint& point, std::uint64_t line)
{
    first_ = { rec, utc, point, line };
    if (!InTime(utc)) {
        Drop(first_, TDropCause::OutsideTime, true);
        return;
    }
    hasReference_ = true;
    referenceIsFirst_ = true;
    reference_ = point;
}

void TCleaningFilter::Offer(
    const TGPSRec& rec, double utc, const TPlanePoint& point, std::uint64_t line)
{
    const TCandidate candidate { rec, utc, point, line };
    if (!InTime(utc)) {
        Drop(candidate, TDropCause::OutsideTime);
        return;
    }
    if (!hasReference_) {
        // The first record within the time asked for: the route starts there.
        Keep(candidate, true);
        return;
    }
    if (point.DateTime == reference_.DateTime) {
        Drop(candidate, TDropCause::RepeatedTime);
        return;
    }
    if (!cleaning_.Robust) {
        if (Plausible(reference_, point))
            KeepOrStand(candidate);
        else
            Drop(candidate, TDropCause::TooFast);
        return;
    }
    if (Plausible(reference_, point)) {
        // It confirms the reference: what jumped away before it was a spike.
        DropPending(TDropCause::Spike);
        KeepOrStand(candidate);
    } else if (pending_.empty() || Plausible(pending_.back().Point, point)) {
        // Too fast from the reference, but maybe the start of a run that the next fixes confirm.
        pending_.push_back(candidate);
        if (pending_.size() >= cleaning_.RunLength)
            StartAgainFromRun();
    } else {
        // Neither from the reference nor from the fixes before it: they were too fast, and this
        // one may start a run of its own.
        DropPending(TDropCause::TooFast);
        pending_.push_back(candidate);
    }
}

void TCleaningFilter::Finish()
{
    // Never confirmed: too fast from the last kept fix.
    DropPending(TDropCause::TooFast);
}

void TCleaningFilter::KeepOrStand(const TCandidate& candidate)
{
    if (cleaning_.MinMoveM > 0 && PlaneDistance(reference_, candidate.Point) < cleaning_.MinMoveM)
        Drop(candidate, TDropCause::Standing);
    else
        Keep(candidate, false);
}

void TCleaningFilter::Keep(const TCandidate& candidate, bool startAgain)
{
    // A gap starts a segment as a start again does: nothing joins it to the fix before, in the
    // route or in its length.
    const bool segment = startAgain
        || (cleaning_.SplitGapDays > 0
            && candidate.Point.DateTime - reference_.DateTime >= cleaning_.SplitGapDays);
    TKeptFix kept { 0.0, 0.0, 0.0 };
    if (!segment) {
        kept = { SpeedKmh(reference_, candidate.Point), HeadingDeg(reference_, candidate.Point),
            PlaneDistance(reference_, candidate.Point) };
    }
    total_ += kept.DistanceM;
    reference_ = candidate.Point;
    hasReference_ = true;
    referenceIsFirst_ = false;
    ++counts_.Kept;
    sink_.Fix({ candidate.Rec, candidate.Utc, candidate.Point, kept, total_, candidate.Line,
        segment, true });
}

void TCleaningFilter::Drop(const TCandidate& candidate, TDropCause cause, bool firstRecord)
{
    std::optional<double> speed, distance;
    if (hasReference_ && !firstRecord) {
        distance = PlaneDistance(reference_, candidate.Point);
        if (candidate.Point.DateTime != reference_.DateTime)
            speed = SpeedKmh(reference_, candidate.Point);
    }
    ++counts_.DroppedBy(cause);
    sink_.Dropped({ candidate.Rec, candidate.Utc, candidate.Point, cause, candidate.Line, speed,
        distance, firstRecord });
}

void TCleaningFilter::DropPending(TDropCause cause)
{
    for (const TCandidate& candidate : pending_)
        Drop(candidate, cause);
    pending_.clear();
}

void TCleaningFilter::StartAgainFromRun()
{
    // Nothing kept after a first record that the run does not confirm: the first record was the
    // bad fix (a cold start far away), not the run.
    if (referenceIsFirst_)
        Drop(first_, TDropCause::OutlierStart, true);
    std::deque<TCandidate> run;
    run.swap(pending_);
    Keep(run.front(), true);
    for (std::size_t i = 1; i < run.size(); ++i)
        KeepOrStand(run[i]);
}

} // namespace ostrel
