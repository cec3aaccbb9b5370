// Micro-benchmarks of the conversion's hot pieces, each over a set of realistic fixes from the
// synthetic log, so that branches see varied digits as they do in a real log.

#include "geo/kinematics.h"
#include "geo/projection.h"
#include "log/gps_rec.h"
#include "synthetic_log.h"
#include "text/date_text.h"
#include "writers/kml_writer.h"
#include "writers/nmea_writer.h"
#include "text/number_text.h"

#include <benchmark/benchmark.h>
#include <random>
#include <string>
#include <vector>

namespace ostrel::bench {
namespace {

constexpr std::size_t kSamples = 4096; // a power of two

const std::vector<std::string>& Lines()
{
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> v;
        TSyntheticLog log(7);
        for (std::size_t i = 0; i < kSamples; ++i)
            v.push_back(log.NextRecordLine());
        return v;
    }();
    return lines;
}

const std::vector<TGPSRec>& Records()
{
    static const std::vector<TGPSRec> records = [] {
        std::vector<TGPSRec> v;
        for (const std::string& line : Lines()) {
            TGPSRec rec;
            ParseLogLine(line, rec, kBenchCurrentYear);
            v.push_back(rec);
        }
        return v;
    }();
    return records;
}

// Speeds and headings of the fixes as the filter reports them.
const std::vector<TKeptFix>& Kept()
{
    static const std::vector<TKeptFix> kept = [] {
        std::vector<TKeptFix> v;
        const std::vector<TGPSRec>& records = Records();
        const TProjection projection(SetOrigin(0, records[0]));
        TPlanePoint previous = projection.ToPlanePoint(records[0]);
        for (const TGPSRec& rec : records) {
            TPlanePoint point = projection.ToPlanePoint(rec);
            point.DateTime = previous.DateTime + 1.0 / 86400;
            v.push_back({ SpeedKmh(previous, point), HeadingDeg(previous, point),
                PlaneDistance(previous, point) });
            previous = point;
        }
        return v;
    }();
    return kept;
}

void BM_ParseLogLine(benchmark::State& state)
{
    const std::vector<std::string>& lines = Lines();
    TGPSRec rec;
    std::size_t i = 0;
    for (auto _ : state) {
        ParseLogLine(lines[i++ & (kSamples - 1)], rec, kBenchCurrentYear);
        benchmark::DoNotOptimize(rec);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseLogLine);

void BM_ProjectToPlane(benchmark::State& state)
{
    const std::vector<TGPSRec>& records = Records();
    const TProjection projection(SetOrigin(0, records[0]));
    std::size_t i = 0;
    for (auto _ : state) {
        const TGPSRec& rec = records[i++ & (kSamples - 1)];
        benchmark::DoNotOptimize(projection.ProjectToPlane(rec.Lat, rec.Lon));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProjectToPlane);

// One fix through the filter: speed, heading and distance from the fix before.
void BM_SpeedFilterOffer(benchmark::State& state)
{
    const std::vector<TGPSRec>& records = Records();
    const TProjection projection(SetOrigin(0, records[0]));
    std::vector<TPlanePoint> points;
    for (std::size_t i = 0; i < kSamples; ++i) {
        points.push_back(projection.ToPlanePoint(records[i]));
        points.back().DateTime = 45'000 + static_cast<double>(i) / 86400;
    }
    TSpeedFilter filter(kBenchSpeedLimitKmh, points[0]);
    std::size_t i = 1;
    for (auto _ : state) {
        TPlanePoint point = points[i & (kSamples - 1)];
        point.DateTime = 45'000 + static_cast<double>(i++) / 86400;
        benchmark::DoNotOptimize(filter.Offer(point));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpeedFilterOffer);

// The two numbers of a KML coordinate: longitude (8 digits) and latitude (7), 5 decimals.
void BM_WriteFixedCoordinates(benchmark::State& state)
{
    const std::vector<TGPSRec>& records = Records();
    char text[2 * kMaxNumberText];
    std::size_t i = 0;
    for (auto _ : state) {
        const TGPSRec& rec = records[i++ & (kSamples - 1)];
        char* end = WriteFixed(text, rec.Lon, 8, 5);
        end = WriteFixed(end, rec.Lat, 7, 5);
        benchmark::DoNotOptimize(end);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_WriteFixedCoordinates);

// The placemark's coordinates: general text, 15 significant digits.
void BM_FormatGeneral(benchmark::State& state)
{
    const std::vector<TGPSRec>& records = Records();
    std::size_t i = 0;
    for (auto _ : state) {
        const TGPSRec& rec = records[i++ & (kSamples - 1)];
        benchmark::DoNotOptimize(FormatGeneral(rec.Lon));
        benchmark::DoNotOptimize(FormatGeneral(rec.Lat));
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_FormatGeneral);

void BM_FormatFixSentences(benchmark::State& state)
{
    const std::vector<TGPSRec>& records = Records();
    const std::vector<TKeptFix>& kept = Kept();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t at = i++ & (kSamples - 1);
        benchmark::DoNotOptimize(FormatFixSentences(records[at], kept[at]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFixSentences);

void BM_FormatCoordinateLine(benchmark::State& state)
{
    const std::vector<TGPSRec>& records = Records();
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatCoordinateLine(records[i++ & (kSamples - 1)]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatCoordinateLine);

// Calendar dates of years 1990 to 2089, every month and day; seeded, the same on every run.
const std::vector<TDateTimeFields>& Dates()
{
    static const std::vector<TDateTimeFields> dates = [] {
        std::vector<TDateTimeFields> v;
        std::mt19937 random(20250401);
        for (std::size_t i = 0; i < kSamples; ++i) {
            const int year = 1990 + static_cast<int>(random() % 100);
            const int month = 1 + static_cast<int>(random() % 12);
            const int day = 1 + static_cast<int>(random() % 28);
            v.push_back({ year, month, day, 0, 0, 0, 0 });
        }
        return v;
    }();
    return dates;
}

// The day count of a record's date.
void BM_DayNumber(benchmark::State& state)
{
    const std::vector<TDateTimeFields>& dates = Dates();
    std::size_t i = 0;
    for (auto _ : state) {
        const TDateTimeFields& date = dates[i++ & (kSamples - 1)];
        benchmark::DoNotOptimize(DayNumber(date.Year, date.Month, date.Day));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DayNumber);

// A time stamp back to its date and time, as the KML placemarks and default names need.
void BM_DecodeDateTime(benchmark::State& state)
{
    std::vector<double> stamps;
    for (const TDateTimeFields& date : Dates())
        stamps.push_back(DayNumber(date.Year, date.Month, date.Day)
            + static_cast<double>(stamps.size() * 21) / 86400);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeDateTime(stamps[i++ & (kSamples - 1)]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeDateTime);

} // namespace
} // namespace ostrel::bench

BENCHMARK_MAIN();
