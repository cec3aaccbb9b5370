#pragma once

// Helpers shared by the tests: temporary folders, whole-file reads and writes, record lines.

#include "conversion/output_formats.h"
#include "core/settings.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempDir
{
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const
    {
        return path_ / std::filesystem::path(name);
    }

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

// A 60-character record line with each field put in its columns: time (hhmmss) in 8-13, status
// in 15, latitude in 17-27, longitude in 31-42, date (ddmmyy) in 50-55. Fields are padded with
// blanks or cut to their widths; the unread columns hold what a logger writes there.
std::string RecordLine(std::string_view time, std::string_view lat, std::string_view lon,
    std::string_view date, std::string_view status = "A", std::string_view tag = "$GPRMC");

// The output of a log made of the given lines (each ended by CR LF), converted with the settings
// given to an output of that name in a fresh folder: its bytes.
std::string ConvertLines(const std::vector<std::string>& lines, const TConvertSettings& settings,
    std::string_view outputName);

// The default settings with the clock's year pinned, so that two-digit years place the same in
// every year the tests run.
TConvertSettings Settings(int currentYear = 2026);

// A log of two fixes a minute apart, first recorded on 12 May 2007 at 03:04:05.
std::string TwoFixLog();

// The message of the error of type Error that action raises; "no error" when it raises none.
template <typename Error> std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

// The rows of the output formats that most tests name.
inline const TOutputFormat& Kml()
{
    return *FormatNamed("kml");
}
inline const TOutputFormat& Nmea()
{
    return *FormatNamed("nmea");
}

// Text with "\r" and "\n" made visible, for messages about line ends.
std::string Visible(std::string_view text);

// The first line at which two texts differ, line ends made visible; empty when equal.
std::string FirstDifference(std::string_view expected, std::string_view actual);

} // namespace ostrel::test
