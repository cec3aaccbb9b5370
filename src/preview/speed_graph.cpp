#include "preview/speed_graph.h"

#include "geo/travel_modes.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

// NaN (no speed) below every speed.
bool Slower(const TGraphSample& a, const TGraphSample& b)
{
    return std::isnan(a.Note.SpeedKmh) || a.Note.SpeedKmh < b.Note.SpeedKmh;
}

} // namespace

TSpeedGraphSink::TSpeedGraphSink(
    double limitKmh, TPictureProjection projection, std::size_t maxSamples)
    : projection_(projection)
    , maxSamples_(std::max<std::size_t>(maxSamples, 16))
{
    graph_.LimitKmh = limitKmh;
}

void TSpeedGraphSink::Thin(std::vector<TGraphSample>& samples, bool keepBreaks)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        TGraphSample sample = samples[i];
        if (i + 1 < samples.size() && !(keepBreaks && samples[i + 1].StartsStretch)) {
            const TGraphSample& next = samples[++i];
            const bool starts = sample.StartsStretch || next.StartsStretch;
            const std::uint32_t count = sample.Count + next.Count;
            if (Slower(sample, next))
                sample = next;
            sample.StartsStretch = starts;
            sample.Count = count;
        }
        samples[kept++] = sample;
    }
    samples.resize(kept);
}

void TSpeedGraphSink::Begin(const TGPSRec&, double, const TPlanePoint&)
{
}

void TSpeedGraphSink::Fix(const TTrackFix& fix)
{
    TGraphSample sample;
    sample.Note = TFixNote::Of(fix);
    sample.Metres = fix.TotalMetres;
    sample.Point = PicturePointOf(fix.Rec, fix.Point, projection_);
    sample.StartsStretch
        = !keptAny_ || fix.StartsSegment || fix.UtcDateTime - lastKeptUtc_ > kGraphGapDays;
    keptAny_ = true;
    lastKeptUtc_ = fix.UtcDateTime;
    lastKeptMetres_ = fix.TotalMetres;
    graph_.Kept.push_back(sample);
    if (graph_.Kept.size() > maxSamples_) {
        Thin(graph_.Kept, true);
        // Stretches of one sample each cannot be halved within themselves.
        if (graph_.Kept.size() > maxSamples_ * 3 / 4)
            Thin(graph_.Kept, false);
    }
}

void TSpeedGraphSink::Dropped(const TTrackDrop& drop)
{
    TGraphSample sample;
    sample.Note = TFixNote::Of(drop);
    sample.Metres = lastKeptMetres_;
    sample.Point = PicturePointOf(drop.Rec, drop.Point, projection_);
    if (drop.Cause == TDropCause::TooFast && drop.SpeedKmh && *drop.SpeedKmh >= 0) {
        const double bin = std::min(std::floor(*drop.SpeedKmh), static_cast<double>(kSpeedBins));
        ++graph_.TooFastSpeeds[static_cast<std::size_t>(bin)];
    }
    graph_.Drops.push_back(sample);
    if (graph_.Drops.size() > maxSamples_)
        Thin(graph_.Drops, false);
}

void TSpeedGraphSink::End(double, const TTrackCounts&)
{
}

TDropAdvice AdviseOnDrops(const TTrackCounts& counts, const TSpeedGraph& graph)
{
    TDropAdvice advice;
    advice.Records = counts.Records;
    std::uint64_t dropped = 0;
    for (int cause = 0; cause < kDropCauseCount; ++cause) {
        const std::uint64_t n = counts.Dropped[static_cast<std::size_t>(cause)];
        dropped += n;
        if (n > advice.Dropped) {
            advice.Dropped = n;
            advice.Cause = static_cast<TDropCause>(cause);
        }
    }
    advice.MostDropped = dropped > counts.Kept;
    std::uint64_t fast = 0;
    for (const std::uint64_t n : graph.TooFastSpeeds)
        fast += n;
    if (fast == 0)
        return advice;
    // The bins that hold half and nine tenths of the too-fast speeds.
    std::uint64_t seen = 0;
    bool median = false;
    for (std::size_t bin = 0; bin < graph.TooFastSpeeds.size(); ++bin) {
        seen += graph.TooFastSpeeds[bin];
        if (!median && 2 * seen >= fast) {
            advice.MedianKmh = static_cast<double>(bin) + 0.5;
            median = true;
        }
        if (10 * seen >= 9 * fast) {
            advice.KeepingKmh = static_cast<double>(bin + 1);
            break;
        }
    }
    const auto modes = TravelModes();
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (modes[i].LimitKmh >= advice.KeepingKmh && modes[i].LimitKmh > graph.LimitKmh) {
            advice.Mode = static_cast<int>(i);
            break;
        }
    }
    return advice;
}

} // namespace ostrel
