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

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace ostrel {

// What a track held. Every record line is the first record, a kept fix or a dropped one (the
// first record too can be dropped, as an outlier or outside the time asked for).
struct TTrackCounts
{
    std::uint64_t Records = 0; // record lines, the first included
    std::uint64_t Kept = 0; // fixes after the first that were kept
    std::array<std::uint64_t, kDropCauseCount> Dropped {}; // by their causes
    std::uint64_t Simplified = 0; // kept fixes that simplification left out of the route
    std::uint64_t OtherLines = 0; // lines that are not records

    std::uint64_t DroppedBy(TDropCause cause) const { return Dropped[static_cast<int>(cause)]; }
    std::uint64_t& DroppedBy(TDropCause cause) { return Dropped[static_cast<int>(cause)]; }

    bool operator==(const TTrackCounts&) const = default;
};

// One kept fix as a sink sees it. Rec's DateTime carries the time shift the sink asked for;
// UtcDateTime is the log's own time (days since 30 December 1899).
struct TTrackFix
{
    const TGPSRec& Rec;
    double UtcDateTime;
    const TPlanePoint& Point;
    TKeptFix Kept; // speed, heading and distance from the fix kept before it in the route
    double TotalMetres; // length of the route up to and including this fix (metres)
    std::uint64_t Line = 0; // its line in the log, counted from 1
    // The route starts again here (after a gap, a relocation, or as the first fix kept when the
    // first record was dropped): nothing joins it to the fix before.
    bool StartsSegment = false;
    // Whether the route goes through it; a fix that simplification left out still counts as kept
    // (waypoints may fall on it), measured from the route's fix before it.
    bool InRoute = true;
    // The sink's TRecordText of the record when it was made ahead with no step, or with this
    // fix's own Kept as its step (TextMeasured); otherwise empty.
    std::string_view Text = {};
    bool TextMeasured = false;
};

// One dropped fix as a sink sees it: why, and its speed and distance from the fix kept before it
// where they are defined.
struct TTrackDrop
{
    const TGPSRec& Rec;
    double UtcDateTime;
    const TPlanePoint& Point;
    TDropCause Cause;
    std::uint64_t Line = 0; // counted from 1
    std::optional<double> SpeedKmh; // from the fix kept before it (km/h)
    std::optional<double> DistanceM; // from the fix kept before it (metres)
    bool FirstRecord = false; // the record Begin had
};

// A record as the threads that parse the records see it, before the speed filter: its step is
// the speed, heading and distance from the record line before it, when that line is known.
struct TRecordAhead
{
    const TGPSRec& Rec; // its DateTime carries the time shift
    double UtcDateTime;
    std::uint64_t Line; // counted from 1
    const TKeptFix* Step; // none when not measured
};

// What a sink writes of a record, made ahead on the threads that parse the records
// (geo/record_blocks.h), so that the sink's own thread mostly copies it. The text may hold what
// the sink writes of the record alone, and, given a step, what it writes of a fix kept with that
// step: the filter mostly keeps a fix measured from the record line before it, and the sink is
// then told so (TTrackFix::TextMeasured).
class TRecordText
{
public:
    virtual ~TRecordText() = default;
    virtual std::size_t MaxSize() const = 0; // bytes
    // Writes the text of the record at out (at most MaxSize bytes) and returns its end. Called on
    // any thread, at the same time as on others.
    virtual char* Write(char* out, const TRecordAhead& record) const = 0;
};

class TTrackSink
{
public:
    virtual ~TTrackSink() = default;
    // The first record (the origin's choice, the first reference); it is no kept fix. Its
    // DateTime carries the time shift the sink asked for; utcDateTime is the log's own time.
    virtual void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) = 0;
    // The first record's line in the log (counted from 1), told right after Begin.
    virtual void FirstRecordAt(std::uint64_t) { }
    virtual void Fix(const TTrackFix& fix) = 0;
    virtual void Dropped(const TTrackDrop&) { }
    // The end of the log: the length of the route (metres) and the counts.
    virtual void End(double totalMetres, const TTrackCounts& counts) = 0;
    // The text that its fixes may bring along (TTrackFix::Text), if any.
    virtual const TRecordText* RecordText() const { return nullptr; }
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

// The cleaning a user asked for beyond the speed filter; all off by default, when the track is
// exactly the speed filter's.
struct TCleaning
{
    // The robust filter: a jump away is dropped as a spike unless the fixes after it confirm it;
    // a run of RunLength fixes plausible among themselves but not from the last kept fix starts
    // the route again there (and drops a first record that was its outlier).
    bool Robust = false;
    unsigned RunLength = 5;
    double MinMoveM = 0.0; // a fix closer than this to the fix kept before it stands (metres)
    // Only the records from From to To, both included: local day counts in the time zone of
    // ZoneShiftDays (a record's local time is its UTC time plus the shift, as the KML shows it).
    std::optional<double> From;
    std::optional<double> To;
    double ZoneShiftDays = 0.0;
    double SplitGapDays = 0.0; // a gap of at least this between kept fixes starts a segment
    double PrivacyM = 0.0; // kept fixes within this of the track's start or end are left out
    double SimplifyM = 0.0; // the route keeps the fixes needed to stay within this (metres)
    // Where the stages that hold the track back to its end keep it beyond their memory.
    std::filesystem::path ScratchFolder;

    bool Any() const
    {
        return Robust || MinMoveM > 0 || From || To || SplitGapDays > 0 || PrivacyM > 0
            || SimplifyM > 0;
    }
};

struct TTrackOptions
{
    double SpeedLimitKmh = 10.0; // km/h
    int OriginIndex = 0; // 0 = the first fix, 1..19 = zone of the plane grid
    double TimeShiftDays = 0.0; // added to every record's DateTime right after parsing (days)
    int CurrentYear = 0; // for two-digit years
    TTrackProgress* Progress = nullptr; // told every TTrackProgress::kLines lines; none: nobody
    TCleaning Cleaning;
    // Threads for the parsing and projection of the record lines (geo/record_blocks.h), the
    // calling thread included, once ThreadsFromLines lines have been read on it; blocks of
    // BlockLines record lines. The track is the same whatever they say.
    unsigned Threads = 1;
    std::size_t BlockLines = 1024;
    std::uint64_t ThreadsFromLines = 0;
};

struct TTrackResult
{
    double TotalMetres = 0.0; // length of the route (metres)
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
    void FirstRecordAt(std::uint64_t line) override
    {
        first_.FirstRecordAt(line);
        second_.FirstRecordAt(line);
    }
    void Fix(const TTrackFix& fix) override
    {
        first_.Fix(fix);
        second_.Fix(fix);
    }
    void Dropped(const TTrackDrop& drop) override
    {
        first_.Dropped(drop);
        second_.Dropped(drop);
    }
    void End(double totalMetres, const TTrackCounts& counts) override
    {
        first_.End(totalMetres, counts);
        second_.End(totalMetres, counts);
    }
    // One text for both: the first's, when the second wants none.
    const TRecordText* RecordText() const override
    {
        return second_.RecordText() ? nullptr : first_.RecordText();
    }

private:
    First& first_;
    Second& second_;
};

// Reads the log to its end through the pipeline into sink, and counts what it held: what sink was
// told at the end. The first record line that does not convert ends it with the parser's error,
// as does a log without records. The cleaning's stages stand between the filter and sink.
TTrackResult StreamTrack(TLogReader& reader, const TTrackOptions& options, TTrackSink& sink);

} // namespace ostrel
