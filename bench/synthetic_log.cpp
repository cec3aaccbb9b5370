#include "synthetic_log.h"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

namespace ostrel::bench {

namespace {

constexpr double kHomeLat = 35.681236; // Tokyo station (degrees)
constexpr double kHomeLon = 139.767125;
constexpr double kRoamRadius = 40'000; // beyond this the track turns home (metres)
constexpr double kEarthRadius = 6'371'000; // metres
constexpr double kRadian = std::numbers::pi / 180;
constexpr std::int64_t kStart = 1'743'465'600 + 6 * 3600; // 1 April 2025, 06:00:00 UTC
constexpr double kGpsNoise = 1.5; // largest position error of a fix (metres)

// Chances per fix of what else a logger writes.
constexpr double kRestart = 1.0 / 25'000; // an empty line and the header line
constexpr double kOtherSentence = 1.0 / 5'000;
constexpr double kCutShort = 1.0 / 30'000; // a record line missing its last character
constexpr double kThrown = 1.0 / 40'000; // a fix 5 to 50 km off
constexpr double kRepeated = 1.0 / 40'000; // the previous fix's time stamp again
constexpr double kInvalid = 1.0 / 10'000; // status V

constexpr const char* kHeader = "@Sonygps/ver1.0/wgs-84\r\n";
constexpr const char* kOther = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n";

struct TCivil
{
    int Year, Month, Day;
};

TCivil CivilFromDays(std::int64_t days) // days since 1 January 1970
{
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const std::int64_t doe = days - era * 146'097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return { static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month, day };
}

void PutDigits(char* at, std::int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// ddmm.mmmmmm (latitude) or dddmm.mmmmmm (longitude).
void PutDegMin(char* at, double degrees, int degreeDigits)
{
    const auto microMinutes = static_cast<std::int64_t>(std::llround(degrees * 60'000'000));
    const std::int64_t whole = microMinutes / 60'000'000;
    const std::int64_t rest = microMinutes % 60'000'000;
    PutDigits(at, whole, degreeDigits);
    PutDigits(at + degreeDigits, rest / 1'000'000, 2);
    at[degreeDigits + 2] = '.';
    PutDigits(at + degreeDigits + 3, rest % 1'000'000, 6);
}

} // namespace

TSyntheticLog::TSyntheticLog(std::uint64_t seed)
    : state_(seed)
    , second_(kStart)
    , lat_(kHomeLat)
    , lon_(kHomeLon)
{
}

std::uint64_t TSyntheticLog::Random()
{
    // splitmix64: the same sequence on every platform.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double TSyntheticLog::Uniform()
{
    return static_cast<double>(Random() >> 11) * 0x1.0p-53;
}

void TSyntheticLog::StartSegment()
{
    const double mode = Uniform();
    if (mode < 0.35) { // standing
        cruise_ = 0;
        turn_ = 0;
        segmentLeft_ = 60 + static_cast<std::int64_t>(Uniform() * 1740);
    } else if (mode < 0.70) { // walking, 3.6 to 5.8 km/h
        cruise_ = 1.0 + Uniform() * 0.6;
        turn_ = 0.3;
        segmentLeft_ = 120 + static_cast<std::int64_t>(Uniform() * 1680);
    } else { // driving, 29 to 90 km/h
        cruise_ = 8.0 + Uniform() * 17.0;
        turn_ = 0.08;
        segmentLeft_ = 300 + static_cast<std::int64_t>(Uniform() * 3300);
    }
}

void TSyntheticLog::Move()
{
    if (segmentLeft_-- <= 0)
        StartSegment();
    const double north = (lat_ - kHomeLat) * kRadian * kEarthRadius;
    const double east = (lon_ - kHomeLon) * kRadian * kEarthRadius * std::cos(lat_ * kRadian);
    if (north * north + east * east > kRoamRadius * kRoamRadius)
        heading_ = std::atan2(-east, -north) + (Uniform() - 0.5) * 0.5; // back towards home
    else
        heading_ += (Uniform() - 0.5) * 2 * turn_;
    speed_ += (cruise_ - speed_) * 0.2 + (cruise_ > 0 ? (Uniform() - 0.5) * 0.4 : 0);
    if (speed_ < 0)
        speed_ = 0;
    const double metresNorth = speed_ * std::cos(heading_);
    const double metresEast = speed_ * std::sin(heading_);
    lat_ += metresNorth / kEarthRadius / kRadian;
    lon_ += metresEast / (kEarthRadius * std::cos(lat_ * kRadian)) / kRadian;
}

void TSyntheticLog::AppendRecord(std::string& out, double lat, double lon, char status) const
{
    // $GPRMC,hhmmss,A,ddmm.mmmmmm,N,dddmm.mmmmmm,E,0.0,ddmmyy,,,A*
    char line[] = "$GPRMC,000000,A,0000.000000,N,00000.000000,E,0.0,000000,,,A*\r\n";
    static_assert(sizeof line == 60 + 2 + 1);
    const std::int64_t days = second_ / 86'400;
    const std::int64_t ofDay = second_ % 86'400;
    PutDigits(line + 7, ofDay / 3600, 2);
    PutDigits(line + 9, ofDay / 60 % 60, 2);
    PutDigits(line + 11, ofDay % 60, 2);
    line[14] = status;
    PutDegMin(line + 16, lat, 2);
    PutDegMin(line + 30, lon, 3);
    const TCivil date = CivilFromDays(days);
    PutDigits(line + 49, date.Day, 2);
    PutDigits(line + 51, date.Month, 2);
    PutDigits(line + 53, date.Year % 100, 2);
    out.append(line, 62);
}

void TSyntheticLog::AppendFix(std::string& out)
{
    if (!started_) {
        started_ = true;
        out += kHeader;
        StartSegment();
    } else {
        // A repeated time stamp: the logger wrote the same second twice.
        if (Uniform() >= kRepeated)
            ++second_;
        Move();
    }

    double event = Uniform();
    if ((event -= kRestart) < 0) {
        out += "\r\n";
        out += kHeader;
    } else if ((event -= kOtherSentence) < 0) {
        out += kOther;
    } else if ((event -= kCutShort) < 0) {
        const std::size_t at = out.size();
        AppendRecord(out, lat_, lon_, 'A');
        out.erase(at + 59, 1); // 59 characters, then CR LF
    }

    const double noiseNorth = (Uniform() - 0.5) * 2 * kGpsNoise;
    const double noiseEast = (Uniform() - 0.5) * 2 * kGpsNoise;
    double lat = lat_ + noiseNorth / kEarthRadius / kRadian;
    double lon = lon_ + noiseEast / (kEarthRadius * std::cos(lat_ * kRadian)) / kRadian;
    const double kind = Uniform();
    if (kind < kThrown) {
        const double metres = 5'000 + Uniform() * 45'000;
        const double direction = Uniform() * 2 * std::numbers::pi;
        lat += metres * std::cos(direction) / kEarthRadius / kRadian;
        lon += metres * std::sin(direction) / (kEarthRadius * std::cos(lat_ * kRadian)) / kRadian;
    }
    AppendRecord(out, lat, lon, kind > 1 - kInvalid ? 'V' : 'A');
}

std::string TSyntheticLog::NextRecordLine()
{
    std::string lines;
    AppendFix(lines);
    // The record is the last line.
    return lines.substr(lines.size() - 62, 60);
}

TLogStats WriteSyntheticLog(
    const std::filesystem::path& path, std::uint64_t records, std::uint64_t seed)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot create " + path.string());
    TSyntheticLog log(seed);
    TLogStats stats;
    std::string block;
    block.reserve(1 << 20);
    for (std::uint64_t i = 0; i < records; ++i) {
        log.AppendFix(block);
        if (block.size() >= (1 << 20) - 1024 || i + 1 == records) {
            if (std::fwrite(block.data(), 1, block.size(), file) != block.size()) {
                std::fclose(file);
                throw std::runtime_error("cannot write " + path.string());
            }
            stats.Bytes += block.size();
            block.clear();
        }
    }
    stats.Records = records;
    if (std::fclose(file) != 0)
        throw std::runtime_error("cannot write " + path.string());
    return stats;
}

} // namespace ostrel::bench
