#pragma once

// The filter of a track under cleaning: the speed filter, or the robust filter, with the least
// move, the time asked for and the gaps that start segments. It judges every record after the
// first and tells the sink, in the order it decides: at once for the speed filter, up to
// RunLength fixes later for the robust filter, which holds the fixes it cannot judge yet.

#include "geo/kinematics.h"
#include "geo/track.h"

#include <cstdint>
#include <deque>

namespace ostrel {

class TCleaningFilter
{
public:
    TCleaningFilter(
        double speedLimitKmh, const TCleaning& cleaning, TTrackSink& sink, TTrackCounts& counts);

    // The first record, after the sink's Begin.
    void First(const TGPSRec& rec, double utc, const TPlanePoint& point, std::uint64_t line);
    // Every later record.
    void Offer(const TGPSRec& rec, double utc, const TPlanePoint& point, std::uint64_t line);
    // The end of the log: the fixes still waiting for a judgement are dropped.
    void Finish();

    double TotalMetres() const { return total_; }

private:
    struct TCandidate
    {
        TGPSRec Rec;
        double Utc;
        TPlanePoint Point;
        std::uint64_t Line;
    };

    bool InTime(double utc) const;
    // Distinct times and a speed below the limit.
    bool Plausible(const TPlanePoint& from, const TPlanePoint& to) const;
    // Kept unless it stands within the least move of the reference.
    void KeepOrStand(const TCandidate& candidate);
    // startAgain: the route starts again there, nothing measured from before.
    void Keep(const TCandidate& candidate, bool startAgain);
    void Drop(const TCandidate& candidate, TDropCause cause, bool firstRecord = false);
    void DropPending(TDropCause cause);
    // A run of plausible fixes long enough: the route starts again with it.
    void StartAgainFromRun();

    double limit_;
    TCleaning cleaning_;
    TTrackSink& sink_;
    TTrackCounts& counts_;

    bool hasReference_ = false; // none while the first record and all after it are out of time
    TPlanePoint reference_ {};
    bool referenceIsFirst_ = false; // the reference is the first record, nothing kept since
    TCandidate first_ {};
    double total_ = 0.0;
    std::deque<TCandidate> pending_; // the robust filter's fixes not judged yet
};

} // namespace ostrel
