#pragma once

// The speed graph of a track: a sink of the track stream that keeps the speed of every fix from
// the fix kept before it (the speed the filter judged), against the log's time and the length of
// the route, thinned as the picture is so that memory stays flat whatever the size of the log:
// the kept fixes as a line that breaks where the route starts again or the log falls silent, and
// the dropped fixes as marks at the speed that dropped them. It also counts the speeds of the
// fixes dropped as too fast, to tell which limit would have kept them.

#include "geo/track.h"
#include "preview/track_picture.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

// One point of the graph: a fix, or the fix of the highest speed among neighbours thinned into it.
struct TGraphSample
{
    TFixNote Note; // its line, UTC time, speed and distance, kept or why dropped
    double Metres = 0.0; // along the route: at the fix, or at the fix kept before a dropped one
    TPicturePoint Point; // where the picture draws it
    std::uint32_t Count = 1; // the fixes it stands for
    bool StartsStretch = false; // nothing joins it to the sample before (kept fixes only)
};

// Too-fast speeds counted per km/h up to this; faster ones in the last bin.
inline constexpr std::size_t kSpeedBins = 1000;

struct TSpeedGraph
{
    std::vector<TGraphSample> Kept; // in the order of the log
    std::vector<TGraphSample> Drops; // in the order of the log
    double LimitKmh = 0.0; // the filter's limit (km/h)
    // The fixes dropped as too fast by their speed: bin n holds n to n + 1 km/h.
    std::array<std::uint64_t, kSpeedBins + 1> TooFastSpeeds {};
};

// The log's silence that breaks the line: kept fixes further apart than this (days).
inline constexpr double kGraphGapDays = 5.0 / 1440;

class TSpeedGraphSink final : public TTrackSink
{
public:
    TSpeedGraphSink(double limitKmh, TPictureProjection projection, std::size_t maxSamples = 8192);

    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override;
    void Fix(const TTrackFix& fix) override;
    void Dropped(const TTrackDrop& drop) override;
    void End(double totalMetres, const TTrackCounts& counts) override;

    TSpeedGraph Take() { return std::move(graph_); }

private:
    // Halves samples by pairs of neighbours, each pair the sample of the higher speed.
    static void Thin(std::vector<TGraphSample>& samples, bool keepBreaks);

    TSpeedGraph graph_;
    TPictureProjection projection_;
    std::size_t maxSamples_;
    double lastKeptUtc_ = 0.0;
    double lastKeptMetres_ = 0.0;
    bool keptAny_ = false;
};

// The most of the fixes dropped for one cause, and what would keep them.
struct TDropAdvice
{
    bool MostDropped = false; // more fixes were dropped than kept
    TDropCause Cause = TDropCause::TooFast; // the cause of most drops
    std::uint64_t Dropped = 0; // for that cause
    std::uint64_t Records = 0;
    double MedianKmh = 0.0; // of the too-fast ones (km/h)
    // The slowest travel mode whose limit keeps at least 9 in 10 of the too-fast ones (its index
    // in TravelModes()), or -1; KeepingKmh the limit that would (km/h).
    int Mode = -1;
    double KeepingKmh = 0.0;
};
TDropAdvice AdviseOnDrops(const TTrackCounts& counts, const TSpeedGraph& graph);

} // namespace ostrel
