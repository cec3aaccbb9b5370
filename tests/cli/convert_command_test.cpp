#include "cli_test_support.h"
#include "core/errors.h"

#include <cstdlib>
#ifndef _WIN32
#include <locale.h>
#endif
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

namespace ostrel::cli::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The walk of WalkLines is one minute of latitude due north: 1849 m of meridian arc at 35.66° N
// on Bessel's ellipsoid, times the scale 0.9999 of the plane, is 1.85 km.
constexpr const char* kWalkLength = "The passway length = 1.85 km";
constexpr const char* kNothingKept = "The passway length = 0.00 km";

std::string Line(const fs::path& output, std::string_view message)
{
    return Text(output) + ": " + std::string(message) + "\n";
}

// The error line of a log; "LOG:LINE: message" when the error names a record line.
std::string Failure(const fs::path& log, const std::exception& error, int line = 0)
{
    return "ostrel-convert: " + Text(log) + (line > 0 ? ":" + std::to_string(line) : "") + ": "
        + error.what() + "\n";
}

// The walk with the time of its third fix made invalid: it names fine and fails half-way.
std::vector<std::string> BrokenWalkLines(int startHour)
{
    std::vector<std::string> lines = WalkLines(10, startHour);
    lines[3] = RecordLine("250000", "3539.3000", "13945.0000", "010107");
    return lines;
}

TEST(ConvertCommandTest, WritesNmeaToTheNamedOutput)
{
    TTempDir dir;
    WriteLog(dir / "walk.log", WalkLines());
    const fs::path output = dir / "out.log";

    const TRunResult run = RunCli({ "-o", Text(output), Text(dir / "walk.log") });
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out, Line(output, kWalkLength));
    const std::string nmea = ReadFile(output);
    EXPECT_THAT(nmea, StartsWith("@Sonygps/ver1.0/wgs-84\r\n"));
    // The first fix only sets the origin; each of the ten later ones gives a GGA and an RMC.
    EXPECT_EQ(CountOf(nmea, "\r\n"), 21u);
    EXPECT_EQ(CountOf(nmea, "\r\n$GPGGA,"), 10u);
    EXPECT_EQ(CountOf(nmea, "\r\n$GPRMC,"), 10u);
    EXPECT_THAT(FolderNames(dir.Path()), ElementsAre("out.log", "walk.log"));
}

TEST(ConvertCommandTest, SpeedLimitReachesTheFilter)
{
    TTempDir dir;
    WriteLog(dir / "walk.log", WalkLines());
    const fs::path output = dir / "out.log";
    // The walk goes at 5.5 km/h: a limit at or below that keeps nothing after the first fix.
    struct TCase
    {
        std::vector<std::string> Options;
        const char* Message;
    };
    const std::vector<TCase> cases = {
        { { "-m", "walk" }, kWalkLength },
        { { "-s", "6" }, kWalkLength },
        { { "-s", "5" }, kNothingKept },
        { { "-m", "car", "-s", "5" }, kNothingKept },
        { { "-s", "0" }, kNothingKept },
        { { "-s", "-5" }, kNothingKept },
        { { "--max-speed=-5" }, kNothingKept },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Options));
        std::vector<std::string> args = c.Options;
        args.insert(args.end(), { "-o", Text(output), Text(dir / "walk.log") });
        const TRunResult run = RunCli(args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, Line(output, c.Message));
    }
    EXPECT_EQ(ReadFile(output), "@Sonygps/ver1.0/wgs-84\r\n");
}

// The golden cases cover colour, opacity and waypoints off; these are the settings they leave.
TEST(ConvertCommandTest, TimeZoneAndIntervalReachTheKmlWriter)
{
    TTempDir dir;
    WriteLog(dir / "early.log", WalkLines(10, 5));
    auto kml = [&](std::vector<std::string> options) {
        const fs::path output = dir / "out.kml";
        options.insert(options.end(), { "--output=" + Text(output), Text(dir / "early.log") });
        const TRunResult run = RunCli(options);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, Line(output, kWalkLength));
        return ReadFile(output);
    };
    // The first fix at 05:00 with -11 names the document 18:00 of the day before.
    EXPECT_THAT(kml({ "-z", "-11" }), HasSubstr("\r\n<name>06/12/31, 18:00</name>\r\n"));
    EXPECT_THAT(kml({ "--time-zone=0" }), HasSubstr("\r\n<name>07/01/01, 05:00</name>\r\n"));

    // Fixes 2 minutes apart: a placemark at each with 1 minute; at minutes 2, 8, 14 and 20 with 5.
    const std::size_t everyFix = CountOf(kml({ "-i", "1" }), "<Placemark>");
    const std::size_t everyFive = CountOf(kml({ "--interval", "5" }), "<Placemark>");
    EXPECT_EQ(everyFix - everyFive, 10u - 4u);
}

TEST(ConvertCommandTest, OutputExtensionPicksTheWriterInAnyCase)
{
    TTempDir dir;
    WriteLog(dir / "walk.log", WalkLines());
    for (const char* name : { "a.KML", "b.Kml", "c.kml" }) {
        const TRunResult run
            = RunCli({ "-t", "nmea", "-o", Text(dir / name), Text(dir / "walk.log") });
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_THAT(ReadFile(dir / name), StartsWith("<?xml")) << name;
    }
    for (const char* name : { "d.txt", "e.kmz", "f" }) {
        const TRunResult run = RunCli({ "-o", Text(dir / name), Text(dir / "walk.log") });
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_THAT(ReadFile(dir / name), StartsWith("@Sonygps/ver1.0/wgs-84\r\n")) << name;
    }
}

TEST(ConvertCommandTest, DefaultNamesGoBesideTheLog)
{
    TTempDir dir;
    fs::create_directories(dir / "sub");
    WriteLog(dir / "sub" / "walk.log", WalkLines());
    const fs::path log = dir / "sub" / "walk.log";

    const TRunResult kml = RunCli({ Text(log) });
    EXPECT_EQ(kml.Status, 0) << kml.Err;
    EXPECT_EQ(kml.Out, Line(dir / "sub" / "WG20070101010000.kml", kWalkLength));

    const TRunResult nmea = RunCli({ "-t", "nmea", Text(log) });
    EXPECT_EQ(nmea.Status, 0) << nmea.Err;
    EXPECT_EQ(nmea.Out, Line(dir / "sub" / "WG20070101010000.log", kWalkLength));
    EXPECT_THAT(ReadFile(dir / "sub" / "WG20070101010000.log"), StartsWith("@Sonygps"));

    EXPECT_THAT(FolderNames(dir / "sub"),
        ElementsAre("WG20070101010000.kml", "WG20070101010000.log", "walk.log"));
    EXPECT_THAT(FolderNames(dir.Path()), ElementsAre("sub"));
}

TEST(ConvertCommandTest, DefaultNamesNeverReplaceAnEarlierFile)
{
    for (unsigned jobs : { 1u, 2u }) {
        SCOPED_TRACE(jobs);
        TTempDir dir;
        const fs::path log = dir / "walk.log";
        WriteLog(log, WalkLines());
        WriteFile(dir / "WG20070101010000.kml", "earlier");

        // The same log three times, and once more spelled through "." of its folder.
        const fs::path sameLog = dir.Path() / "." / "walk.log";
        const TRunResult run = RunCli(
            { "-j", std::to_string(jobs), Text(log), Text(log), Text(sameLog), Text(log) });
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out,
            Line(dir / "WG20070101010000_1.kml", kWalkLength)
                + Line(dir / "WG20070101010000_2.kml", kWalkLength)
                + Line(dir.Path() / "." / "WG20070101010000_3.kml", kWalkLength)
                + Line(dir / "WG20070101010000_4.kml", kWalkLength));
        EXPECT_EQ(ReadFile(dir / "WG20070101010000.kml"), "earlier");
        EXPECT_THAT(FolderNames(dir.Path()),
            ElementsAre("WG20070101010000.kml", "WG20070101010000_1.kml", "WG20070101010000_2.kml",
                "WG20070101010000_3.kml", "WG20070101010000_4.kml", "walk.log"));
        EXPECT_EQ(
            ReadFile(dir / "WG20070101010000_1.kml"), ReadFile(dir / "WG20070101010000_4.kml"));
    }
}

TEST(ConvertCommandTest, SameLogTwiceInAKmlBatch)
{
    TTempDir dir;
    const fs::path log = dir / "walk.log";
    WriteLog(log, WalkLines());
    const TRunResult run = RunCli({ Text(log), Text(log) });
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out,
        Line(dir / "WG20070101010000.kml", kWalkLength)
            + Line(dir / "WG20070101010000_1.kml", kWalkLength));
}

TEST(ConvertCommandTest, MissingLogIsAnError)
{
    TTempDir dir;
    const fs::path missing = dir / "missing.log";
    const std::string message = FileNotFound().what();
    ASSERT_EQ(message, "ファイルが見つかりません");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { Text(missing) },
             { "-t", "nmea", Text(missing) },
             { "-o", Text(dir / "out.kml"), Text(missing) },
             { "-o", Text(dir / "out.log"), Text(missing) },
         }) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const TRunResult run = RunCli(args);
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, Failure(missing, FileNotFound()));
        EXPECT_TRUE(FolderNames(dir.Path()).empty());
    }
}

TEST(ConvertCommandTest, OutputOverTheLogIsRefused)
{
    TTempDir dir;
    const fs::path log = dir / "walk.log";
    WriteLog(log, WalkLines());
    const std::string before = ReadFile(log);
    for (const fs::path& output : { log, dir.Path() / "." / "walk.log" }) {
        const TRunResult run = RunCli({ "-o", Text(output), Text(log) });
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, Failure(log, SameFile()));
    }
    EXPECT_EQ(ReadFile(log), before);
    EXPECT_THAT(FolderNames(dir.Path()), ElementsAre("walk.log"));
}

TEST(ConvertCommandTest, FailedConversionLeavesAnEarlierOutputAlone)
{
    TTempDir dir;
    WriteLog(dir / "broken.log", BrokenWalkLines(1));
    WriteFile(dir / "out.kml", "earlier");
    const TRunResult run = RunCli({ "-o", Text(dir / "out.kml"), Text(dir / "broken.log") });
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, Failure(dir / "broken.log", TimeError("25:00:00"), 4));
    EXPECT_EQ(ReadFile(dir / "out.kml"), "earlier");
    EXPECT_THAT(FolderNames(dir.Path()), ElementsAre("broken.log", "out.kml"));

    const TRunResult nowhere
        = RunCli({ "-o", Text(dir / "no-such-folder" / "out.kml"), Text(dir / "broken.log") });
    EXPECT_EQ(nowhere.Status, 1);
    EXPECT_EQ(nowhere.Out, "");
    EXPECT_THAT(nowhere.Err, StartsWith("ostrel-convert: " + Text(dir / "broken.log") + ": "));
    EXPECT_THAT(FolderNames(dir.Path()), ElementsAre("broken.log", "out.kml"));
}

// The second of three logs fails: the first is converted and reported, the third is not
// converted, and nothing of the second or third is left, with any number of jobs.
TEST(ConvertCommandTest, FirstFailureStopsTheBatch)
{
    struct TCase
    {
        const char* Name;
        std::vector<std::string> Second;
        std::string Message;
        std::string Where; // ":LINE" of a record line
    };
    const std::vector<TCase> cases = {
        { "fails half-way", BrokenWalkLines(3), TimeError("25:00:00").what(), ":4" },
        // An empty log has no first record to name its output by, nor a line.
        { "cannot be named", {}, TimeError("::").what(), "" },
        { "has a bad date",
            [] {
                std::vector<std::string> lines = WalkLines(10, 3);
                lines[4] = RecordLine("030800", "3539.4000", "13945.0000", "320107");
                return lines;
            }(),
            DateError("32/01/07").what(), ":5" },
    };
    for (const TCase& c : cases) {
        for (unsigned jobs : { 1u, 2u, 3u }) {
            SCOPED_TRACE(std::string(c.Name) + ", jobs " + std::to_string(jobs));
            TTempDir dir;
            WriteLog(dir / "a.log", WalkLines(10, 1));
            WriteLog(dir / "b.log", c.Second);
            WriteLog(dir / "c.log", WalkLines(10, 5));
            const TRunResult run = RunCli({ "-j", std::to_string(jobs), Text(dir / "a.log"),
                Text(dir / "b.log"), Text(dir / "c.log") });
            EXPECT_EQ(run.Status, 1);
            EXPECT_EQ(run.Out, Line(dir / "WG20070101010000.kml", kWalkLength));
            EXPECT_EQ(run.Err,
                "ostrel-convert: " + Text(dir / "b.log") + c.Where + ": " + c.Message + "\n");
            EXPECT_THAT(FolderNames(dir.Path()),
                ElementsAre("WG20070101010000.kml", "a.log", "b.log", "c.log"));
        }
    }
}

TEST(ConvertCommandTest, MissingLogInABatchStopsIt)
{
    TTempDir dir;
    WriteLog(dir / "a.log", WalkLines(10, 1));
    WriteLog(dir / "c.log", WalkLines(10, 5));
    const TRunResult run = RunCli(
        { "-t", "nmea", Text(dir / "a.log"), Text(dir / "b.log"), Text(dir / "c.log") }, 2);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out, Line(dir / "WG20070101010000.log", kWalkLength));
    EXPECT_EQ(run.Err, Failure(dir / "b.log", FileNotFound()));
    EXPECT_THAT(FolderNames(dir.Path()), ElementsAre("WG20070101010000.log", "a.log", "c.log"));
}

// Everything in a folder, by name.
std::map<std::string, std::string> FolderBytes(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : FolderNames(folder))
        files[name] = ReadFile(folder / name);
    return files;
}

TEST(ConvertCommandTest, JobsChangeNeitherOutputsNorLines)
{
    // Logs of different lengths, one with a dropped jump, one listed twice.
    std::vector<std::pair<std::string, std::vector<std::string>>> logs;
    for (int k = 0; k < 6; ++k)
        logs.emplace_back("log" + std::to_string(k) + ".log", WalkLines(40 * (k + 1), k));
    logs[2].second[7] = RecordLine("021400", "3639.0000", "13945.0000", "010107");
    std::vector<std::string> names;
    for (const auto& log : logs)
        names.push_back(log.first);
    names.push_back("log1.log");

    for (const char* kind : { "kml", "nmea" }) {
        SCOPED_TRACE(kind);
        std::map<std::string, std::string> firstFiles;
        std::string firstOut;
        for (unsigned jobs : { 1u, 2u, 4u, 16u }) {
            SCOPED_TRACE(jobs);
            TTempDir dir;
            for (const auto& log : logs)
                WriteLog(dir / log.first, log.second);
            std::vector<std::string> args = { "-t", kind, "-j", std::to_string(jobs) };
            for (const std::string& name : names)
                args.push_back(Text(dir / name));
            const TRunResult run = RunCli(args);
            EXPECT_EQ(run.Status, 0) << run.Err;
            EXPECT_EQ(CountOf(run.Out, "\n"), names.size());
            const std::map<std::string, std::string> files = FolderBytes(dir.Path());
            EXPECT_EQ(files.size(), 2 * logs.size() + 1);
            // The lines with the folder, which differs from run to run, taken out.
            std::string out = run.Out;
            const std::string folder = Text(dir.Path());
            for (std::size_t at = out.find(folder); at != std::string::npos; at = out.find(folder))
                out.replace(at, folder.size(), "DIR");
            if (jobs == 1) {
                firstFiles = files;
                firstOut = out;
            } else {
                EXPECT_TRUE(files == firstFiles);
                EXPECT_EQ(out, firstOut);
            }
        }
    }
}

TEST(ConvertCommandTest, JapaneseFileNames)
{
    TTempDir dir;
    fs::create_directories(PathFromUtf8(Text(dir.Path()) + "/散歩"));
    const std::string log = Text(dir.Path()) + "/散歩/朝の散歩.log";
    WriteLog(PathFromUtf8(log), WalkLines());

    const std::string output = Text(dir.Path()) + "/散歩/出力.kml";
    const TRunResult named = RunCli({ "-o", output, log });
    EXPECT_EQ(named.Status, 0) << named.Err;
    EXPECT_EQ(named.Out, output + ": " + kWalkLength + "\n");
    EXPECT_THAT(ReadFile(PathFromUtf8(output)), StartsWith("<?xml"));

    const TRunResult beside = RunCli({ log });
    EXPECT_EQ(beside.Status, 0) << beside.Err;
    // The default name keeps the folder as it was spelled.
    EXPECT_EQ(beside.Out, Text(dir.Path()) + "/散歩/WG20070101010000.kml: " + kWalkLength + "\n");

    const std::string missing = Text(dir.Path()) + "/散歩/無い.log";
    const TRunResult run = RunCli({ missing });
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "ostrel-convert: " + missing + ": ファイルが見つかりません\n");
}

#ifndef _WIN32
// Sets an environment variable for one scope.
class EnvironmentValue
{
public:
    EnvironmentValue(const char* name, const char* value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value, 1);
    }
    ~EnvironmentValue()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    EnvironmentValue(const EnvironmentValue&) = delete;
    EnvironmentValue& operator=(const EnvironmentValue&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The separators of the texts meant for people follow the locale of the environment.
TEST(ConvertCommandTest, SeparatorsFollowTheUsersLocale)
{
    TTempDir dir;
    WriteLog(dir / "walk.log", WalkLines());
    const fs::path output = dir / "out.kml";
    struct TCase
    {
        const char* Locale;
        const char* Length;
        const char* Name;
    };
    const std::vector<TCase> cases = {
        { "C", "1.85", "07/01/01, 10:00" },
        { "POSIX", "1.85", "07/01/01, 10:00" },
        { "de_DE.UTF-8", "1,85", "07.01.01, 10:00" },
        { "fi_FI.UTF-8", "1,85", "07.01.01, 10.00" },
        { "ja_JP.UTF-8", "1.85", "07/01/01, 10:00" },
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Locale);
        if (locale_t installed = newlocale(LC_ALL_MASK, c.Locale, locale_t()); installed)
            freelocale(installed);
        else
            continue;
        EnvironmentValue locale("LC_ALL", c.Locale);
        std::vector<std::string> args
            = { "ostrel-convert", "-o", Text(output), Text(dir / "walk.log") };
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunConvert(static_cast<int>(argv.size()), argv.data(), out, err), 0) << err.str();
        EXPECT_EQ(out.str(), Line(output, std::string("The passway length = ") + c.Length + " km"));
        EXPECT_THAT(
            ReadFile(output), HasSubstr(std::string("\r\n<name>") + c.Name + "</name>\r\n"));
    }
}
#endif

} // namespace
} // namespace ostrel::cli::test

#ifndef _WIN32
namespace ostrel::cli::test {
namespace {

TEST(ConvertCommandTest, DefaultNameSkipsADanglingLink)
{
    TTempDir dir;
    WriteLog(dir / "walk.log", WalkLines());
    fs::create_symlink(dir / "nowhere.kml", dir / "WG20070101010000.kml");
    const TRunResult run = RunCli({ Text(dir / "walk.log") });
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, Text(dir / "WG20070101010000_1.kml") + ": " + kWalkLength + "\n");
    EXPECT_TRUE(fs::is_symlink(dir / "WG20070101010000.kml"));
    EXPECT_FALSE(fs::exists(dir / "nowhere.kml"));
}

} // namespace
} // namespace ostrel::cli::test
#endif

namespace ostrel::cli::test {
namespace {

// --keep-going reports every failed log and goes on with the next; --output-dir puts the default
// names there.
TEST(ConvertCommandTest, KeepGoingAndOutputDir)
{
    TTempDir dir;
    fs::create_directory(dir / "out");
    WriteLog(dir / "a.log", WalkLines(10, 1));
    WriteLog(dir / "b.log", {});
    WriteLog(dir / "c.log", WalkLines(10, 5));
    const TRunResult run = RunCli({ "-k", "-d", Text(dir / "out"), Text(dir / "a.log"),
        Text(dir / "b.log"), Text(dir / "missing.log"), Text(dir / "c.log") });
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Out,
        Line(dir / "out" / "WG20070101010000.kml", kWalkLength)
            + Line(dir / "out" / "WG20070101050000.kml", kWalkLength));
    EXPECT_EQ(run.Err,
        "ostrel-convert: " + Text(dir / "b.log") + ": " + TimeError("::").what() + "\n"
            + "ostrel-convert: " + Text(dir / "missing.log") + ": " + FileNotFound().what()
            + "\n");
    EXPECT_THAT(FolderNames(dir / "out"), ElementsAre("WG20070101010000.kml", "WG20070101050000.kml"));
}

// A path as a JSON string holds it: backslashes (Windows) and quotes escaped.
std::string Json(const fs::path& path)
{
    std::string text;
    for (char c : Text(path)) {
        if (c == '\\' || c == '"')
            text += '\\';
        text += c;
    }
    return text;
}

// --summary adds the track's numbers under the length line; --json gives one object a log, with
// the error of a failed one.
TEST(ConvertCommandTest, SummaryAndJsonReportTheTrack)
{
    TTempDir dir;
    WriteLog(dir / "a.log", WalkLines(10, 1));
    WriteLog(dir / "b.log", {});
    const TRunResult summary = RunCli({ "--summary", "-o", Text(dir / "a.kml"), Text(dir / "a.log") });
    EXPECT_EQ(summary.Status, 0);
    EXPECT_THAT(summary.Out, StartsWith(Line(dir / "a.kml", kWalkLength)));
    for (const char* line : { "  records:        11 (kept 10, dropped 0 too fast and 0 with a "
                              "repeated time; 0 other lines)\n",
             "  start:          2007-01-01T01:00:00Z\n", "  end:            2007-01-01T01:20:00Z\n",
             "  duration:       0:20:00\n", "  moving time:    0:20:00\n",
             "  length:         1.85 km\n", "  average speed:  5.5 km/h (moving 5.5 km/h)\n",
             "  maximum speed:  5.5 km/h\n",
             "  bounds:         35.65000000 .. 35.66666667 N, 139.75000000 .. 139.75000000 E\n" })
        EXPECT_THAT(summary.Out, HasSubstr(line));

    const TRunResult json = RunCli({ "--json", "-k", Text(dir / "a.log"), Text(dir / "b.log") });
    EXPECT_EQ(json.Status, 1);
    EXPECT_EQ(CountOf(json.Out, "\n"), 2u);
    EXPECT_THAT(json.Out,
        StartsWith("{\"input\":\"" + Json(dir / "a.log") + "\",\"output\":\""
            + Json(dir / "WG20070101010000.kml") + "\",\"length_km\":1.85,\"statistics\":{"
            + "\"records\":11,\"kept\":10,\"dropped_too_fast\":0,\"dropped_repeated_time\":0,"
            + "\"other_lines\":0,\"start\":\"2007-01-01T01:00:00Z\",\"end\":\"2007-01-01T01:20:00Z\","
            + "\"duration_s\":1200.0,\"moving_time_s\":1200.0,"));
    EXPECT_THAT(json.Out,
        HasSubstr("\n{\"input\":\"" + Json(dir / "b.log") + "\",\"error\":\""
            + TimeError("::").what() + "\",\"kind\":\"time_conversion\"}\n"));
}

// --json names the output exactly (JSON escapes where the length line shows "?"), and the object
// of a log that failed at a record line carries the error's kind and the line.
TEST(ConvertCommandTest, JsonNamesAreExactAndErrorsCarryKindAndLine)
{
    TTempDir dir;
#ifndef _WIN32 // Windows refuses control characters in file names
    WriteLog(dir / "a.log", WalkLines());
    const fs::path output = dir / "a\x1b[31m\tb.kml";
    const TRunResult run = RunCli({ "--json", "-o", Text(output), Text(dir / "a.log") });
    EXPECT_EQ(run.Status, 0);
    EXPECT_THAT(run.Out, HasSubstr(",\"output\":\"" + Json(dir / "a") + "\\u001b[31m\\tb.kml\","));
    EXPECT_TRUE(fs::exists(output));
#endif
    WriteLog(dir / "b.log", BrokenWalkLines(1));
    const TRunResult failed = RunCli({ "--json", Text(dir / "b.log") });
    EXPECT_EQ(failed.Status, 1);
    EXPECT_EQ(failed.Out,
        "{\"input\":\"" + Json(dir / "b.log") + "\",\"error\":\"" + TimeError("25:00:00").what()
            + "\",\"kind\":\"time_conversion\",\"line\":4}\n");
}

} // namespace
} // namespace ostrel::cli::test
