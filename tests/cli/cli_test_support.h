#pragma once

// Helpers of the command-line tests: logs written line by line, folder listings, and the command
// run in-process.

#include "cli/convert_command.h"
#include "cli/options.h"
#include "core/test_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::cli::test {

namespace fs = std::filesystem;
using ostrel::test::ReadFile;
using ostrel::test::RecordLine;
using ostrel::test::TTempDir;
using ostrel::test::WriteFile;

// A walk due north from 35°39' N, 139°45' E on 1 January 2007: one fix every 2 minutes from
// startHour, each 0.1' of latitude (about 185 m, 5.5 km/h) beyond the last; ten steps make one
// minute of latitude, 1.85 km on the plane.
inline std::vector<std::string> WalkLines(int steps = 10, int startHour = 1)
{
    std::vector<std::string> lines;
    for (int k = 0; k <= steps; ++k) {
        const int minutes = startHour * 60 + 2 * k;
        char time[16];
        std::snprintf(time, sizeof time, "%02d%02d00", minutes / 60 % 24, minutes % 60);
        char lat[32];
        std::snprintf(lat, sizeof lat, "35%07.4f", 39.0 + 0.1 * k);
        lines.push_back(RecordLine(time, lat, "13945.0000", "010107"));
    }
    return lines;
}

// Lines joined with CR LF, the logger's line end.
inline void WriteLog(const fs::path& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    WriteFile(path, text);
}

// The names in a folder (UTF-8), sorted.
inline std::vector<std::string> FolderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(Utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

inline std::size_t CountOf(std::string_view text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size()))
        ++count;
    return count;
}

struct TRunResult
{
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the command with the fixed separators ".", "/", ":" and one job unless -j says otherwise.
inline TRunResult RunCli(const std::vector<std::string>& args, unsigned defaultJobs = 1)
{
    std::ostringstream out;
    std::ostringstream err;
    TRunResult result;
    result.Status = RunConvert(args, out, err, TSeparators {}, defaultJobs);
    result.Out = out.str();
    result.Err = err.str();
    return result;
}

inline std::string Text(const fs::path& path)
{
    return Utf8FromPath(path);
}

} // namespace ostrel::cli::test
