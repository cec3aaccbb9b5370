#pragma once

// The track of a log, produced once for every consumer: each record line is read, parsed,
// shifted in time where the consumer wants local time, projected onto the plane about the origin
// that the first record fixes, and offered to the speed filter. A sink takes the first record,
// then every kept fix (with its speed, heading and the running total) and every dropped one, and
// the counts at the end. Writers, statistics (geo/track_statistics.h) and the preview are sinks;
// none of them reads the log itself.

#include "geo/kinematics.h"
#include "geo/projection.h"
#include "log/gps_rec.h"
#include "log/log_reader.h"

#include <cstdint>

namespace ostrel {

// What a track held. Every record line is the first record, a kept fix or a dropped one:
// Records = 1 + Kept + DroppedTooFast + DroppedRepeatedTime.
struct TTrackCounts
{
    std::uint64_t Records = 0; // record lines, the first included
    std::uint64_t Kept = 0; // fixes after the first that the filter kept
    std::uint64_t DroppedTooFast = 0; // their speed reached the limit
    std::uint64_t DroppedRepeatedTime = 0; // the time stamp of the fix kept before them
    std::uint64_t OtherLines = 0; // lines that are not records

    bool operator==(const TTrackCounts&) const = default;
};

// One kept fix as a sink sees it. Rec's DateTime carries the time shift the sink asked for;
// UtcDateTime is the log's own time (days since 30 December 1899).
struct TTrackFix
{
    const TGPSRec& Rec;
    double UtcDateTime;
    const TPlanePoint& Point;
    TKeptFix Kept; // speed, heading and distance from the fix kept before it
    double TotalMetres; // length of the kept track up to and including this fix (metres)
};

class TTrackSink
{
public:
    virtual ~TTrackSink() = default;
    // The first record (the origin's choice, the first reference); it is no kept fix. Its
    // DateTime carries the time shift the sink asked for; utcDateTime is the log's own time.
    virtual void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) = 0;
    virtual void Fix(const TTrackFix& fix) = 0;
    virtual void Dropped(const TGPSRec&, const TPlanePoint&, TDropCause) { }
    // The end of the log: the length of the kept track (metres) and the counts.
    virtual void End(double totalMetres, const TTrackCounts& counts) = 0;
};

// Told now and then how far a track has come, cheaply: every kLines lines. It may throw to stop
// the track; the exception leaves StreamTrack and everything built on it, so an output under way
// is dropped as after any other error.
class TTrackProgress
{
public:
    static constexpr std::uint64_t kLines = 1 << 16;

    virtual ~TTrackProgress() = default;
    // The input's bytes read so far.
    virtual void Advance(std::uint64_t bytesRead) = 0;
};

struct TTrackOptions
{
    double SpeedLimitKmh = 10.0; // km/h
    int OriginIndex = 0; // 0 = the first fix, 1..19 = zone of the plane grid
    double TimeShiftDays = 0.0; // added to every record's DateTime right after parsing (days)
    int CurrentYear = 0; // for two-digit years
    TTrackProgress* Progress = nullptr; // told every TTrackProgress::kLines lines; none: nobody
};

struct TTrackResult
{
    double TotalMetres = 0.0; // length of the kept track (metres)
    TTrackCounts Counts;
};

// Two sinks fed as one, the first before the second at every step. Given their own types, calls
// to a final sink are direct (the statistics beside a writer cost no second dispatch).
template <class First = TTrackSink, class Second = TTrackSink>
class TSinkPair final : public TTrackSink
{
public:
    TSinkPair(First& first, Second& second)
        : first_(first)
        , second_(second)
    {
    }
    void Begin(const TGPSRec& rec, double utcDateTime, const TPlanePoint& point) override
    {
        first_.Begin(rec, utcDateTime, point);
        second_.Begin(rec, utcDateTime, point);
    }
    void Fix(const TTrackFix& fix) override
    {
        first_.Fix(fix);
        second_.Fix(fix);
    }
    void Dropped(const TGPSRec& rec, const TPlanePoint& point, TDropCause cause) override
    {
        first_.Dropped(rec, point, cause);
        second_.Dropped(rec, point, cause);
    }
    void End(double totalMetres, const TTrackCounts& counts) override
    {
        first_.End(totalMetres, counts);
        second_.End(totalMetres, counts);
    }

private:
    First& first_;
    Second& second_;
};

// Reads the log to its end through the pipeline into sink, and counts what it held. The first
// record line that does not convert ends it with the parser's error, as does a log without
// records.
TTrackResult StreamTrack(TLogReader& reader, const TTrackOptions& options, TTrackSink& sink);

} // namespace ostrel
