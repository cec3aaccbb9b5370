#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/test_support.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::Kml;
using test::MessageOf;
using test::Nmea;
using test::ReadFile;
using test::RecordLine;
using test::Settings;
using test::TTempDir;
using test::TwoFixLog;
using test::WriteFile;

std::size_t FilesIn(const fs::path& folder)
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(OutputKind, KmlInAnyLetterCaseOtherwiseNmea)
{
    EXPECT_EQ(&FormatOfPath("a/b.kml"), &Kml());
    EXPECT_EQ(&FormatOfPath("a/b.KML"), &Kml());
    EXPECT_EQ(&FormatOfPath("a/b.Kml"), &Kml());
    EXPECT_EQ(&FormatOfPath(".kml"), &Kml());
    EXPECT_EQ(&FormatOfPath("a/b.log"), &Nmea());
    EXPECT_EQ(&FormatOfPath("a/b.txt"), &Nmea());
    EXPECT_EQ(&FormatOfPath("a/b.kmlx"), &Nmea());
    EXPECT_EQ(&FormatOfPath("a/bkml"), &Nmea());
    EXPECT_EQ(&FormatOfPath("a.kml/b"), &Nmea());
}

TEST(LengthMessage, TwoDecimalsAndTheRegionalSeparator)
{
    EXPECT_EQ(LengthMessage(12345.6), "The passway length = 12.35 km");
    EXPECT_EQ(LengthMessage(0), "The passway length = 0.00 km");
    EXPECT_EQ(LengthMessage(5), "The passway length = 0.01 km"); // 0.005 is just above the half
    EXPECT_EQ(LengthMessage(125), "The passway length = 0.13 km"); // 0.125 is an exact tie
    EXPECT_EQ(LengthMessage(12345.6, { ",", "/", ":" }), "The passway length = 12,35 km");
}

TEST(ProcFile, UppercaseKmlExtensionWritesKml)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    ProcFile(dir / "in.log", dir / "OUT.KML", Settings());
    EXPECT_EQ(ReadFile(dir / "OUT.KML").substr(0, 5), "<?xml");
    ProcFile(dir / "in.log", dir / "out.txt", Settings());
    EXPECT_EQ(ReadFile(dir / "out.txt").substr(0, 24), "@Sonygps/ver1.0/wgs-84\r\n");
}

// A log removed after it was listed is its file error, in every format, and nothing is written;
// its own path as the output is no same-file case, for nothing is there.
TEST(ProcFile, MissingLogIsFileNotFoundAndWritesNothing)
{
    TTempDir dir;
    for (const char* output : { "out.kml", "out.log", "out.gpx", "missing.log" }) {
        SCOPED_TRACE(output);
        EXPECT_EQ(
            MessageOf<FileError>([&] { ProcFile(dir / "missing.log", dir / output, Settings()); }),
            FileNotFound().what());
    }
    EXPECT_EQ(FilesIn(dir.Path()), 0u);
}

TEST(ProcFile, AFailedConversionLeavesNoPartialFileAndKeepsTheEarlierOne)
{
    TTempDir dir;
    // Two good fixes, then a line that does not parse.
    WriteFile(dir / "in.log",
        TwoFixLog() + RecordLine("030605", "3539.1200", "13945.1000", "310207") + "\r\n");
    WriteFile(dir / "earlier.kml", "an earlier document");
    // On one thread, and with the records parsed on three.
    TConvertSettings threaded = Settings();
    threaded.Threads = 3;
    threaded.TrackBlockLines = 1;
    threaded.ThreadsFromLines = 0;
    for (const TConvertSettings& settings : { Settings(), threaded }) {
        for (const char* name : { "earlier.kml", "new.log" }) {
            EXPECT_EQ(
                MessageOf<ConvertError>([&] { ProcFile(dir / "in.log", dir / name, settings); }),
                DateError("31/02/07").what());
        }
    }
    EXPECT_EQ(ReadFile(dir / "earlier.kml"), "an earlier document");
    EXPECT_FALSE(fs::exists(dir / "new.log"));
    EXPECT_EQ(FilesIn(dir.Path()), 2u); // no temporary file left behind
}

// A log's records parsed on several threads, in blocks of any size, give the bytes of one
// thread in every format, with the cleaning and without it.
TEST(ProcFile, RecordsOnSeveralThreadsWriteTheSameBytes)
{
    // A car a second apart, with repeated stamps, jumps too fast to keep, a stop and lines of
    // other lengths.
    std::vector<std::string> lines { "header" };
    for (int i = 0; i < 400; ++i) {
        const int second = i - (i % 17 == 5 ? 1 : 0);
        const double minutes = (i % 29 == 11 ? 0.5 : 0.0) + (i > 200 && i < 260 ? 200 : i) * 0.0042;
        char time[7], lat[12], lon[13];
        std::snprintf(time, sizeof time, "01%02d%02d", second / 60, second % 60);
        std::snprintf(lat, sizeof lat, "%09.4f", 3539.0 + minutes);
        std::snprintf(lon, sizeof lon, "%010.4f", 13945.0 + minutes / 2);
        lines.push_back(RecordLine(time, lat, lon, "010107"));
        if (i % 37 == 3)
            lines.push_back("$GPGSV,other");
    }
    TConvertSettings cleaned = Settings();
    cleaned.RobustFilter = true;
    cleaned.MinMoveM = 3;
    cleaned.SplitGapMin = 1;
    cleaned.PrivacyM = 50;
    cleaned.SimplifyM = 2;
    for (TConvertSettings settings : { Settings(), cleaned }) {
        settings.SpeedLimitKmh = 100;
        for (const char* name : { "out.log", "out.kml", "out.gpx", "out.geojson", "out.csv" }) {
            SCOPED_TRACE(name);
            const std::string oneThread = test::ConvertLines(lines, settings, name);
            // From the first line on, or past the first few on one thread; more threads than
            // cores, all waiting to read when one meets the end.
            struct TRun
            {
                unsigned Threads, BlockLines, FromLines;
            };
            for (const TRun run : { TRun { 3, 1, 0 }, { 3, 3, 7 }, { 3, 64, 0 }, { 12, 1, 0 } }) {
                TConvertSettings threaded = settings;
                threaded.Threads = run.Threads;
                threaded.TrackBlockLines = run.BlockLines;
                threaded.ThreadsFromLines = run.FromLines;
                EXPECT_EQ(test::ConvertLines(lines, threaded, name), oneThread)
                    << run.Threads << " threads, blocks of " << run.BlockLines;
            }
        }
    }
}

TEST(ProcFile, EmptyLogEndsInTheTimeErrorAndWritesNothing)
{
    TTempDir dir;
    WriteFile(dir / "empty.log", "");
    EXPECT_EQ(
        MessageOf<ConvertError>([&] { ProcFile(dir / "empty.log", dir / "out.kml", Settings()); }),
        TimeError("::").what());
    EXPECT_FALSE(fs::exists(dir / "out.kml"));
}

TEST(ProcFile, RefusesToWriteOverTheInput)
{
    TTempDir dir;
    const std::string log = TwoFixLog();
    WriteFile(dir / "in.log", log);
    fs::create_directory(dir / "sub");
    std::vector<fs::path> outputs { dir / "in.log", dir / "sub" / ".." / "in.log" };
#ifdef _WIN32
    // Windows file names ignore letter case, and both slashes separate.
    outputs.push_back(dir / "IN.Log");
    outputs.push_back(fs::path(dir.Path().native() + L"/sub\\../In.log"));
#else
    fs::create_symlink(dir / "in.log", dir / "link.log");
    outputs.push_back(dir / "link.log");
#endif
    for (const fs::path& output : outputs) {
        EXPECT_EQ(MessageOf<SameFileError>([&] { ProcFile(dir / "in.log", output, Settings()); }),
            SameFile().what())
            << output;
    }
    EXPECT_EQ(ReadFile(dir / "in.log"), log);
}

#ifndef _WIN32
// Windows folders have no write permission to take away (their read-only flag means nothing).
TEST(ProcFile, UnwritableFolderIsAFileErrorAndTheInputStays)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(MessageOf<FileError>(
                  [&] { ProcFile(dir / "in.log", dir / "locked" / "out.kml", Settings()); }),
        AccessDenied().what());
    EXPECT_EQ(FilesIn(dir / "locked"), 0u);
}
#endif

#ifndef _WIN32
// Links and FIFOs as POSIX makes them; tests/writers/windows_paths_test.cpp has Windows' refusals.
TEST(ProcFile, ALinkAtTheOutputIsWrittenThroughAndStaysALink)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    WriteFile(dir / "target.log", "earlier");
    fs::create_symlink(dir / "target.log", dir / "link.log");
    ProcFile(dir / "in.log", dir / "link.log", Settings());
    EXPECT_TRUE(fs::is_symlink(dir / "link.log"));
    EXPECT_EQ(ReadFile(dir / "target.log").substr(0, 22), "@Sonygps/ver1.0/wgs-84");
}

TEST(ProcFile, AnOutputPathThatIsNoRegularFileIsRefusedAndKept)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    fs::create_directory(dir / "folder.kml");
    ASSERT_EQ(mkfifo((dir / "fifo.log").c_str(), 0600), 0);
    for (const char* name : { "folder.kml", "fifo.log" }) {
        EXPECT_EQ(MessageOf<FileError>([&] { ProcFile(dir / "in.log", dir / name, Settings()); }),
            AccessDenied().what())
            << name;
    }
    EXPECT_TRUE(fs::is_directory(dir / "folder.kml"));
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.log"));
    EXPECT_EQ(FilesIn(dir.Path()), 3u);
}
#endif

TEST(ProcFile, OutputInAMissingFolderIsAFileError)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    EXPECT_EQ(
        MessageOf<FileError>([&] { ProcFile(dir / "in.log", dir / "no" / "out.kml", Settings()); }),
        FileNotFound().what());
}

TEST(FirstRecordStamp, TheLogsOwnTimeOfTheFirstRecord)
{
    TTempDir dir;
    WriteFile(dir / "in.log", "header\r\n" + TwoFixLog());
    EXPECT_EQ(FirstRecordStamp(dir / "in.log", 2026), "20070512030405");
    // Without a record line the last line is parsed, when it carries the fields.
    WriteFile(dir / "long.log",
        "header\r\n" + RecordLine("235959", "3539.1", "13945.1", "311299") + "tail");
    EXPECT_EQ(FirstRecordStamp(dir / "long.log", 2026), "19991231235959");
    EXPECT_EQ(MessageOf<FileError>([&] { FirstRecordStamp(dir / "missing.log", 2026); }),
        FileNotFound().what());
}

TEST(MakeOutputName, CountsPastEveryNameOfTheKindWritten)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    const fs::path in = dir / "in.log";
    EXPECT_EQ(MakeOutputName(in, Nmea(), 2026), dir / "WG20070512030405.log");
    EXPECT_EQ(MakeOutputName(in, Kml(), 2026), dir / "WG20070512030405.kml");

    WriteFile(dir / "WG20070512030405.log", "");
    EXPECT_EQ(MakeOutputName(in, Nmea(), 2026), dir / "WG20070512030405_1.log");
    EXPECT_EQ(MakeOutputName(in, Kml(), 2026), dir / "WG20070512030405.kml");

    WriteFile(dir / "WG20070512030405_1.log", "");
    WriteFile(dir / "WG20070512030405.kml", "");
    EXPECT_EQ(MakeOutputName(in, Nmea(), 2026), dir / "WG20070512030405_2.log");
    EXPECT_EQ(MakeOutputName(in, Kml(), 2026), dir / "WG20070512030405_1.kml");
}

TEST(MakeOutputName, SameLogTwiceGivesTwoNames)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    for (const TOutputFormat* kind : { &Kml(), &Nmea() }) {
        const fs::path first = MakeOutputName(dir / "in.log", *kind, 2026);
        ProcFile(dir / "in.log", first, Settings());
        const fs::path second = MakeOutputName(dir / "in.log", *kind, 2026);
        EXPECT_NE(first, second);
        EXPECT_EQ(second.stem(), "WG20070512030405_1");
    }
}

// A default name is claimed only when the output is complete, with an operation that never
// replaces: whatever holds a name by then (a file made meanwhile, a dangling link) is passed over
// and stays as it was, and the counters carry the search on from the last name found free.
TEST(DefaultNames, ClaimedWhenCompleteNeverReplacingAnything)
{
    TTempDir dir;
    WriteFile(dir / "in.log", TwoFixLog());
    const fs::path first = DefaultOutputName(dir / "in.log", Kml(), 2026);
    EXPECT_EQ(first, dir / "WG20070512030405.kml");

    TPendingOutput pending = ConvertFile(dir / "in.log", first, Settings(), TPlacement::NewName);
    WriteFile(first, "made meanwhile");
#ifndef _WIN32
    fs::create_symlink(dir / "nowhere", dir / "WG20070512030405_1.kml");
#endif
    TNameCounters counters;
    const fs::path written = pending.Commit(&counters).Output;
#ifndef _WIN32
    EXPECT_EQ(written, dir / "WG20070512030405_2.kml");
    EXPECT_TRUE(fs::is_symlink(dir / "WG20070512030405_1.kml"));
#else
    EXPECT_EQ(written, dir / "WG20070512030405_1.kml");
#endif
    EXPECT_EQ(ReadFile(first), "made meanwhile");
    EXPECT_EQ(ReadFile(written).substr(0, 5), "<?xml");

    // The next output of that name starts where the last one was found free.
    EXPECT_EQ(counters.Next(first), written == dir / "WG20070512030405_2.kml" ? 3u : 2u);
    const TConversionResult again
        = ProcFileToDefaultName(dir / "in.log", Kml(), Settings(), counters);
    EXPECT_EQ(again.Output, AlternativeName(first, counters.Next(first) - 1));
    EXPECT_TRUE(fs::exists(again.Output));
    EXPECT_EQ(FilesIn(dir.Path()), counters.Next(first) + 1); // the log and every name taken
}

} // namespace
} // namespace ostrel
