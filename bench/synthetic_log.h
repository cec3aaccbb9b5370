#pragma once

// A synthetic GPS log for the benchmarks: one fix a second of someone around Tokyo who stands,
// walks and drives in turns, with what real logs also hold now and then: the logger's header
// and an empty line after a restart, other sentences, a line cut short, a fix thrown kilometres
// off (which the car filter drops), a repeated time stamp and a fix with status V. The same seed
// gives the same log byte for byte on every run.

#include <cstdint>
#include <filesystem>
#include <string>

namespace ostrel::bench {

// The settings the benchmarks convert with: the car filter (150 km/h), so that walking and
// driving are kept and only the thrown fixes and repeated time stamps are dropped.
inline constexpr double kBenchSpeedLimitKmh = 150.0;
// The year that places the log's two-digit years (the log starts in April 2025).
inline constexpr int kBenchCurrentYear = 2026;

class TSyntheticLog
{
public:
    explicit TSyntheticLog(std::uint64_t seed);

    // Appends the lines of the next fix, each ended by CR LF: exactly one record line (60
    // characters), sometimes behind lines that are not records. The first call also writes the
    // logger's header line.
    void AppendFix(std::string& out);

    // The next record line alone (60 characters, no line end).
    std::string NextRecordLine();

private:
    std::uint64_t Random();
    double Uniform(); // [0, 1)
    void StartSegment();
    void Move(); // one second of travel
    void AppendRecord(std::string& out, double lat, double lon, char status) const;

    std::uint64_t state_;
    bool started_ = false;
    std::int64_t second_; // the log's time (seconds since 1 January 1970, UTC)
    double lat_; // latitude (degrees)
    double lon_; // longitude (degrees)
    double heading_ = 0.0; // direction of travel (radians clockwise from north)
    double speed_ = 0.0; // metres per second
    double cruise_ = 0.0; // the segment's usual speed (metres per second)
    double turn_ = 0.0; // largest change of heading in one second (radians)
    std::int64_t segmentLeft_ = 0; // seconds
};

struct TLogStats
{
    std::uint64_t Records = 0;
    std::uint64_t Bytes = 0;
};

// Writes a log of `records` record lines to path.
TLogStats WriteSyntheticLog(
    const std::filesystem::path& path, std::uint64_t records, std::uint64_t seed);

} // namespace ostrel::bench
