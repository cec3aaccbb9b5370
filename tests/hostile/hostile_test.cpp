// Hostile inputs and failing file systems, through ProcFile: logs that are no logs, paths that
// are no files, outputs that cannot be written, odd but valid logs. Whatever happens, a failed
// conversion raises one of the converter's errors, leaves the earlier file at the output path as
// it was, leaves the input as it was, and leaves no other file behind.

#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/file_io.h"
#include "core/test_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RecordLine;
using test::Settings;
using test::TTempDir;
using test::WriteFile;

constexpr std::string_view kEarlier = "an earlier file that no failed conversion may touch\r\n";

// A walk due north along 139°45' E from 35°39' N: `steps` + 1 fixes, `stepSeconds` apart, each
// 0.1' of latitude (184.9 m on the plane, 5.5 km/h over 2 minutes) beyond the last. `time`
// gives the hhmmss and ddmmyy texts of fix k.
std::string Walk(int steps, const std::function<std::pair<std::string, std::string>(int)>& time)
{
    std::string log;
    for (int k = 0; k <= steps; ++k) {
        char lat[16];
        std::snprintf(lat, sizeof lat, "35%07.4f", 39.0 + 0.1 * k);
        const auto [hhmmss, ddmmyy] = time(k);
        log += RecordLine(hhmmss, lat, "13945.0000", ddmmyy) + "\r\n";
    }
    return log;
}

// Fix k at `start` seconds of the day plus k * step (step may be negative), on `date`; a time
// that passes midnight takes `nextDate`.
std::function<std::pair<std::string, std::string>(int)> Clock(
    int start, int step, std::string date, std::string nextDate = "")
{
    return [=](int k) {
        int t = start + k * step;
        std::string day = date;
        if (t >= 86400) {
            t -= 86400;
            day = nextDate;
        }
        char hhmmss[16];
        std::snprintf(hhmmss, sizeof hhmmss, "%02d%02d%02d", t / 3600, t / 60 % 60, t % 60);
        return std::make_pair(std::string(hhmmss), day);
    };
}

// Everything under a folder, each entry as its kind and, for a file, its bytes: what a
// conversion may change shows as a difference.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        const fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status))
            entries[name] = "link to " + fs::read_symlink(entry.path()).string();
        else if (fs::is_regular_file(status))
            entries[name] = "file " + ReadFile(entry.path());
        else if (fs::is_directory(status))
            entries[name] = "folder";
        else
            entries[name] = "other " + std::to_string(static_cast<int>(status.type()));
    }
    return entries;
}

// How a conversion ended: converted (with its length message), or the kind and message of its
// error.
struct TOutcome
{
    std::string Kind; // "converted", "ConvertError", "FileError", ...
    std::string Message;

    bool operator==(const TOutcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TOutcome& outcome)
{
    return out << outcome.Kind << ": " << test::Visible(outcome.Message);
}

TOutcome Convert(const fs::path& input, const fs::path& output, const TConvertSettings& settings)
{
    try {
        return { "converted", ProcFile(input, output, settings).LengthMessage };
    } catch (const ConvertError& error) {
        return { "ConvertError", error.what() };
    } catch (const FileError& error) {
        return { "FileError", error.what() };
    } catch (const MathError& error) {
        return { "MathError", error.what() };
    } catch (const SameFileError& error) {
        return { "SameFileError", error.what() };
    }
}

TOutcome Failure(const FileError& error)
{
    return { "FileError", error.what() };
}

TOutcome Failure(const ConvertError& error)
{
    return { "ConvertError", error.what() };
}

// Runs a conversion in a child process set up by `prepare` (another user, a file size limit)
// and returns its outcome.
TOutcome ConvertInChild(const std::function<void()>& prepare, const fs::path& input,
    const fs::path& output, const TConvertSettings& settings)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return { "test", "no pipe" };
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        prepare();
        const TOutcome outcome = Convert(input, output, settings);
        const std::string text = outcome.Kind + '\n' + outcome.Message;
        const bool sent
            = ::write(pipeEnds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string text;
    char block[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], block, sizeof block)) > 0;)
        text.append(block, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return { "test", "the child process failed, status " + std::to_string(status) };
    const std::size_t newline = text.find('\n');
    return { text.substr(0, newline), text.substr(newline + 1) };
}

// Drops root for the unprivileged user "nobody" (65534); a test run by another user stays that
// user, who cannot write into a folder of mode 555 either.
void BecomeNobody()
{
    if (::geteuid() != 0)
        return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(3);
}

std::size_t CountOf(std::string_view text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + 1))
        ++count;
    return count;
}

// The RMC sentences of an NMEA output, each without its "*HH" checksum and line end.
std::vector<std::string> RmcBodies(std::string_view nmea)
{
    std::vector<std::string> bodies;
    for (std::size_t at = nmea.find("$GPRMC,"); at != std::string_view::npos;
         at = nmea.find("$GPRMC,", at + 1))
        bodies.emplace_back(nmea.substr(at, nmea.find('*', at) - at));
    return bodies;
}

// ---------------------------------------------------------------------------------------------
// Inputs that are no logs, or no files.

struct THostileInput
{
    const char* Name;
    std::function<fs::path(const TTempDir&)> Make;
    std::optional<TOutcome> Expected; // nothing: any conversion error
    bool FirstRecordFails = true; // the fault lies in the first record, or there is none
};

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

fs::path MakeFile(const TTempDir& dir, std::string_view name, std::string_view bytes)
{
    WriteFile(dir / name, bytes);
    return dir / name;
}

fs::path MakeFifo(const TTempDir& dir, std::string_view name)
{
    const fs::path path = dir / name;
    if (::mkfifo(path.c_str(), 0644) != 0)
        throw std::runtime_error("mkfifo failed");
    return path;
}

const std::vector<THostileInput>& HostileInputs()
{
    static const std::vector<THostileInput> inputs = {
        { "empty file", [](const TTempDir& d) { return MakeFile(d, "empty.log", ""); },
            Failure(TimeError("::")) },
        { "100000 NUL bytes",
            [](const TTempDir& d) { return MakeFile(d, "nul.log", std::string(100000, '\0')); },
            Failure(TimeError("??:??:??")) },
        { "random bytes",
            [](const TTempDir& d) { return MakeFile(d, "random.log", RandomBytes(65536, 2026)); },
            std::nullopt },
        { "random bytes in 60-character lines",
            [](const TTempDir& d) {
                std::string log;
                for (unsigned seed = 1; seed <= 50; ++seed) {
                    std::string line = RandomBytes(60, seed);
                    std::replace(line.begin(), line.end(), '\r', ' ');
                    std::replace(line.begin(), line.end(), '\n', ' ');
                    std::replace(line.begin(), line.end(), '\x1a', ' ');
                    log += line + "\r\n";
                }
                return MakeFile(d, "random-lines.log", log);
            },
            std::nullopt },
        { "control characters in the time of a record",
            [](const TTempDir& d) {
                return MakeFile(d, "control.log",
                    RecordLine(std::string_view("1\x1b"
                                                "3456",
                                   6),
                        "3539.0000", "13945.0000", "010107")
                        + "\r\n");
            },
            Failure(TimeError("1?:34:56")) },
        { "a record whose day is 31 February",
            [](const TTempDir& d) {
                return MakeFile(d, "date.log",
                    Walk(1, Clock(3600, 120, "010107"))
                        + RecordLine("020000", "3539.0000", "13945.0000", "310207") + "\r\n");
            },
            Failure(DateError("31/02/07")), false },
        { "a folder",
            [](const TTempDir& d) {
                fs::create_directory(d / "folder.log");
                return d / "folder.log";
            },
            Failure(AccessDenied()) },
        { "a FIFO without a writer", [](const TTempDir& d) { return MakeFifo(d, "fifo.log"); },
            Failure(IoError(EINVAL)) },
        { "a link to a FIFO",
            [](const TTempDir& d) {
                MakeFifo(d, "fifo");
                fs::create_symlink("fifo", d / "link.log");
                return d / "link.log";
            },
            Failure(IoError(EINVAL)) },
        { "/dev/zero", [](const TTempDir&) { return fs::path("/dev/zero"); },
            Failure(IoError(EINVAL)) },
        { "/dev/null", [](const TTempDir&) { return fs::path("/dev/null"); },
            Failure(IoError(EINVAL)) },
    };
    return inputs;
}

TEST(HostileInput, EndsInAClearErrorAndTouchesNothing)
{
    for (const THostileInput& hostile : HostileInputs()) {
        for (const char* outputName : { "out.log", "out.kml" }) {
            SCOPED_TRACE(std::string(hostile.Name) + " to " + outputName);
            TTempDir dir;
            const fs::path input = hostile.Make(dir);
            const fs::path output = dir / outputName;
            WriteFile(output, kEarlier);
            const auto before = Snapshot(dir.Path());

            const TOutcome outcome = Convert(input, output, Settings());
            if (hostile.Expected)
                EXPECT_EQ(outcome, *hostile.Expected);
            else
                EXPECT_EQ(outcome.Kind, "ConvertError") << outcome;
            EXPECT_EQ(Snapshot(dir.Path()), before);
        }
    }
}

TEST(HostileInput, FirstRecordStampFailsAsTheConversionDoes)
{
    for (const THostileInput& hostile : HostileInputs()) {
        SCOPED_TRACE(hostile.Name);
        TTempDir dir;
        const fs::path input = hostile.Make(dir);
        TOutcome outcome { "converted", "" };
        try {
            EXPECT_EQ(FirstRecordStamp(input, 2026).size(), 14u);
        } catch (const ConvertError& error) {
            outcome = Failure(error);
        } catch (const FileError& error) {
            outcome = Failure(error);
        }
        if (!hostile.FirstRecordFails)
            EXPECT_EQ(outcome.Kind, "converted");
        else if (hostile.Expected)
            EXPECT_EQ(outcome, *hostile.Expected);
        else
            EXPECT_EQ(outcome.Kind, "ConvertError") << outcome;
    }
}

// Nothing exists at these paths: each is a file error (not found where the name leads nowhere)
// and nothing is written.
TEST(HostileInput, PathsWhereNothingIsAreFileErrors)
{
    TTempDir dir;
    WriteFile(dir / "a file", "text");
    fs::create_symlink("nowhere", dir / "dangling.log");
    fs::create_symlink("loop2.log", dir / "loop1.log");
    fs::create_symlink("loop1.log", dir / "loop2.log");
    struct TCase
    {
        fs::path Input;
        bool NotFound; // the not-found error; otherwise a file error of its own kind
    };
    const TCase cases[] = {
        { dir / "missing.log", true }, { dir / "dangling.log", true }, { dir / "loop1.log", false },
        { dir / "a file" / "x.log", true }, // a path through a file
        { dir / (std::string(300, 'n') + ".log"), false }, // a name longer than a name can be
    };
    const fs::path output = dir / "out.kml";
    WriteFile(output, kEarlier);
    const auto before = Snapshot(dir.Path());
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Input.string());
        const TOutcome outcome = Convert(c.Input, output, Settings());
        if (c.NotFound)
            EXPECT_EQ(outcome, (TOutcome { "FileError", FileNotFound().what() }));
        else
            EXPECT_EQ(outcome.Kind, "FileError") << outcome;
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }
}

// A file that "nobody" may not read.
TEST(HostileInput, UnreadableLogIsAccessDenied)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TTempDir dir;
    WriteFile(dir / "secret.log", Walk(2, Clock(3600, 120, "010107")));
    fs::permissions(dir / "secret.log", fs::perms::owner_read | fs::perms::owner_write);
    // Anyone may write into the folder: only the log's mode stands in the way.
    fs::permissions(dir.Path(), fs::perms::all, fs::perm_options::add);
    const auto before = Snapshot(dir.Path());
    EXPECT_EQ(ConvertInChild(BecomeNobody, dir / "secret.log", dir / "out.kml", Settings()),
        Failure(AccessDenied()));
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

// A message shows the log's text with each control character as "?": a NUL would cut the
// message short, an escape would drive the terminal that shows it.
TEST(HostileInput, ControlCharactersInMessagesAreQuestionMarks)
{
    const struct
    {
        std::string Time, Lat, Lon, Date;
        TOutcome Expected;
    } cases[] = {
        { std::string("\0\0\0\0\0\0", 6), "3539.0", "13945.0", "010107",
            Failure(TimeError("??:??:??")) },
        { "12\t456", "3539.0", "13945.0", "010107", Failure(TimeError("12:?4:56")) },
        { "123456", "\x1b[2J39.0", "13945.0", "010107", Failure(IntegerError("?[2J")) },
        { "123456", "3539.0\x7f", "13945.0", "010107", Failure(FloatError("39.0?    ")) },
        { "123456", "3539.0", "13945.0\xc2\x9b", "010107", Failure(FloatError("45.0?   ")) },
        { "123456", "3539.0", "13945.0",
            "01\x01\x02"
            "07",
            Failure(DateError("01/?"
                              "?/07")) }, // not a trigraph
        // Other text, Japanese included, stays as it is.
        { "123456", "3539.0", "13945.0", "日付", Failure(DateError("\xe6\x97/\xa5\xe4/\xbb\x98")) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Visible(c.Time + c.Lat + c.Lon + c.Date));
        TTempDir dir;
        std::string line = RecordLine(c.Time, c.Lat, c.Lon, c.Date);
        WriteFile(dir / "in.log", line + "\r\n");
        ASSERT_EQ(line.size(), 60u);
        EXPECT_EQ(Convert(dir / "in.log", dir / "out.log", Settings()), c.Expected);
        EXPECT_FALSE(fs::exists(dir / "out.log"));
    }
}

// ---------------------------------------------------------------------------------------------
// Names and paths.

// The same log under a plain name and under names of every kind converts to the same bytes.
TEST(HostilePath, LongAndNonAsciiNamesConvertToTheSameBytes)
{
    TTempDir dir;
    const std::string log = Walk(10, Clock(3600, 120, "010107"));
    WriteFile(dir / "plain.log", log);
    ASSERT_EQ(Convert(dir / "plain.log", dir / "plain.kml", Settings()).Kind, "converted");
    ASSERT_EQ(Convert(dir / "plain.log", dir / "plain.nmea", Settings()).Kind, "converted");
    const std::string kml = ReadFile(dir / "plain.kml");
    const std::string nmea = ReadFile(dir / "plain.nmea");

    std::string deep;
    while (deep.size() < 300)
        deep += "a-folder-name-of-some-length-for-a-path/";
    const struct
    {
        std::string Folder, Log, Output;
    } cases[] = {
        { "日本語 のフォルダ", "ログ ファイル 2007年.log", "出力 トラック.kml" },
        { "Ünïcödé ✓ folder", "naïve café.log", "résumé ☃.KML" },
        { "spaces  and\ttabs ", " leading space.log", "trailing space .kml" },
        { "-dash", "-starts-with-dash.log", "-out.kml" },
        { "new\nline", "line\nfeed.log", "out\nput.kml" },
        { deep, "log-in-a-deep-folder.log", "out-in-a-deep-folder.kml" },
        { "long", std::string(251, 'l') + ".log", std::string(250, 'k') + ".kml" }, // 255 bytes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(test::Visible(c.Folder + c.Log));
        const fs::path folder = dir.Path() / fs::path(c.Folder);
        fs::create_directories(folder);
        WriteFile(folder / c.Log, log);
        EXPECT_EQ(Convert(folder / c.Log, folder / c.Output, Settings()).Kind, "converted");
        EXPECT_EQ(ReadFile(folder / c.Output), kml);
        const fs::path nmeaOutput = folder / fs::path(c.Output).replace_extension(".log2");
        EXPECT_EQ(Convert(folder / c.Log, nmeaOutput, Settings()).Kind, "converted");
        EXPECT_EQ(ReadFile(nmeaOutput), nmea);
        EXPECT_EQ(ReadFile(folder / c.Log), log);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
    }
    EXPECT_GE((dir.Path() / fs::path(deep)).string().size(), 300u);
}

// ---------------------------------------------------------------------------------------------
// Outputs that cannot be written.

struct THostileOutput
{
    const char* Name;
    std::function<fs::path(const TTempDir&)> Make; // makes what is in the way, returns the path
    TOutcome Expected;
};

TEST(HostileOutput, EndsInAClearErrorAndTouchesNothing)
{
    const std::vector<THostileOutput> outputs = {
        { "a path whose parent is a file",
            [](const TTempDir& d) {
                WriteFile(d / "file", kEarlier);
                return d / "file" / "out.kml";
            },
            Failure(FileNotFound()) },
        { "a path in a missing folder", [](const TTempDir& d) { return d / "missing" / "out.kml"; },
            Failure(FileNotFound()) },
        { "a folder",
            [](const TTempDir& d) {
                fs::create_directories(d / "out.kml" / "inside");
                WriteFile(d / "out.kml" / "inside" / "kept", kEarlier);
                return d / "out.kml";
            },
            Failure(AccessDenied()) },
        { "a FIFO", [](const TTempDir& d) { return MakeFifo(d, "out.kml"); },
            Failure(AccessDenied()) },
        { "a link to a FIFO",
            [](const TTempDir& d) {
                MakeFifo(d, "fifo");
                fs::create_symlink("fifo", d / "out.log");
                return d / "out.log";
            },
            Failure(AccessDenied()) },
        { "a name of 256 bytes",
            [](const TTempDir& d) { return d / (std::string(252, 'n') + ".kml"); },
            Failure(IoError(ENAMETOOLONG)) },
    };
    const std::string log = Walk(10, Clock(3600, 120, "010107"));
    for (const THostileOutput& hostile : outputs) {
        SCOPED_TRACE(hostile.Name);
        TTempDir dir;
        WriteFile(dir / "in.log", log);
        const fs::path output = hostile.Make(dir);
        const auto before = Snapshot(dir.Path());
        EXPECT_EQ(Convert(dir / "in.log", output, Settings()), hostile.Expected);
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }
}

// A device node where the output should go stays that device (run as root, a rename would have
// replaced it, /dev/null included).
TEST(HostileOutput, ADeviceAtTheOutputPathStays)
{
    TTempDir dir;
    WriteFile(dir / "in.log", Walk(2, Clock(3600, 120, "010107")));
    if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make a device node here";
    const auto before = Snapshot(dir.Path());
    EXPECT_EQ(Convert(dir / "in.log", dir / "null", Settings()), Failure(AccessDenied()));
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST(HostileOutput, FolderThatCannotBeWritten)
{
    TTempDir dir;
    fs::create_directory(dir / "locked");
    WriteFile(dir / "in.log", Walk(10, Clock(3600, 120, "010107")));
    WriteFile(dir / "locked" / "out.kml", kEarlier);
    fs::permissions(dir / "locked",
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
            | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const auto before = Snapshot(dir.Path());
    for (const char* name : { "out.kml", "new.log" }) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ConvertInChild(BecomeNobody, dir / "in.log", dir / "locked" / name, Settings()),
            Failure(AccessDenied()));
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }
    fs::permissions(dir / "locked", fs::perms::owner_all, fs::perm_options::add); // to remove it
}

// A full disk, as a file size limit: writes past 4 KiB fail with EFBIG (SIGXFSZ ignored). The
// KML case holds more than 1 MiB of placemarks and the GPX and GeoJSON cases more track points
// than their blocks hold: each goes to a scratch file that hits the limit.
TEST(HostileOutput, FullDiskLeavesNoPartialFile)
{
    std::string placemarks; // 3000 fixes at one place, dated 1 and 2 January by turns
    for (int k = 0; k < 3000; ++k)
        placemarks += RecordLine("000000", "3539.0000", "13945.0000", k % 2 ? "020107" : "010107")
            + "\r\n";
    std::string standing; // 12000 fixes a second apart at one place, all kept
    const auto clock = Clock(3600, 1, "010107");
    for (int k = 0; k < 12000; ++k) {
        const auto [hhmmss, ddmmyy] = clock(k);
        standing += RecordLine(hhmmss, "3539.0000", "13945.0000", ddmmyy) + "\r\n";
    }
    const struct
    {
        const char* Name;
        std::string Log;
        const char* Output;
    } cases[] = {
        { "NMEA", Walk(100, Clock(3600, 120, "010107")), "out.log" },
        { "KML", Walk(100, Clock(3600, 120, "010107")), "out.kml" },
        { "KML with 1 MiB of placemarks", placemarks, "out.kml" },
        { "GPX with its track held in a scratch file", standing, "out.gpx" },
        { "GeoJSON with its route held in a scratch file", standing, "out.geojson" },
    };
    const auto limitFileSize = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        WriteFile(dir / "in.log", c.Log);
        WriteFile(dir / c.Output, kEarlier);
        const auto before = Snapshot(dir.Path());
        EXPECT_EQ(ConvertInChild(limitFileSize, dir / "in.log", dir / c.Output, Settings()),
            Failure(IoError(EFBIG)));
        EXPECT_EQ(Snapshot(dir.Path()), before);
        // Without the limit the same conversion goes through.
        EXPECT_EQ(Convert(dir / "in.log", dir / c.Output, Settings()).Kind, "converted");
    }
}

// ---------------------------------------------------------------------------------------------
// Odd but valid logs.

// Fixes 2 minutes apart running back in time: speeds and headings count the time between them
// whichever way it runs.
TEST(HostileLog, TimeRunningBackwards)
{
    TTempDir dir;
    WriteFile(dir / "in.log", Walk(10, Clock(3600 + 1200, -120, "010107")));
    ASSERT_EQ(Convert(dir / "in.log", dir / "out.log", Settings()),
        (TOutcome { "converted", "The passway length = 1.85 km" }));
    const std::vector<std::string> rmc = RmcBodies(ReadFile(dir / "out.log"));
    ASSERT_EQ(rmc.size(), 10u);
    // 184.9 m in 2 minutes is 5.55 km/h, 2.99 knots; heading due north.
    EXPECT_EQ(rmc.front(), "$GPRMC,011800,A,3539.1000,N,13945.0000,E,003.0,360.0,010107,,,A");
    EXPECT_EQ(rmc.back(), "$GPRMC,010000,A,3540.0000,N,13945.0000,E,003.0,360.0,010107,,,A");

    // Placemarks at least a minute apart: every fix 2 minutes from the last gets one.
    TConvertSettings settings = Settings();
    settings.WaypointIntervalMin = 1;
    ASSERT_EQ(Convert(dir / "in.log", dir / "out.kml", settings).Kind, "converted");
    const std::string kml = ReadFile(dir / "out.kml");
    EXPECT_EQ(CountOf(kml, "<tr><td>5.5km/h</td></tr>"), 10u);
    EXPECT_NE(kml.find("<name>10:18 (0.2km)</name>"), std::string::npos);
    EXPECT_NE(kml.find("<name>10:00 (1.8km)</name>"), std::string::npos);
}

// From 23:50 on 31 December to 00:10 on 1 January, 2 minutes and 0.1' apart: the speed stays
// 5.5 km/h across the year's end, in two-digit years of either century.
TEST(HostileLog, AcrossTheYearEndAndTheCentury)
{
    const struct
    {
        const char* FirstDate;
        const char* NextDate;
        int CurrentYear;
        const char* Stamp;
    } cases[] = {
        { "311207", "010108", 2026, "20071231235000" },
        { "311299", "010100", 2026, "19991231235000" },
        { "311299", "010100", 2049, "19991231235000" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.FirstDate + std::string(" in ") + std::to_string(c.CurrentYear));
        TTempDir dir;
        WriteFile(dir / "in.log", Walk(10, Clock(86400 - 600, 120, c.FirstDate, c.NextDate)));
        EXPECT_EQ(FirstRecordStamp(dir / "in.log", c.CurrentYear), c.Stamp);
        ASSERT_EQ(Convert(dir / "in.log", dir / "out.log", Settings(c.CurrentYear)),
            (TOutcome { "converted", "The passway length = 1.85 km" }));
        const std::vector<std::string> rmc = RmcBodies(ReadFile(dir / "out.log"));
        ASSERT_EQ(rmc.size(), 10u);
        EXPECT_EQ(rmc[3],
            "$GPRMC,235800,A,3539.4000,N,13945.0000,E,003.0,360.0," + std::string(c.FirstDate)
                + ",,,A");
        EXPECT_EQ(rmc[4],
            "$GPRMC,000000,A,3539.5000,N,13945.0000,E,003.0,360.0," + std::string(c.NextDate)
                + ",,,A");

        TConvertSettings settings = Settings(c.CurrentYear);
        settings.WaypointIntervalMin = 1;
        ASSERT_EQ(Convert(dir / "in.log", dir / "out.kml", settings).Kind, "converted");
        const std::string kml = ReadFile(dir / "out.kml");
        EXPECT_EQ(CountOf(kml, "<tr><td>5.5km/h</td></tr>"), 10u);
    }
}

// In 2050 the window of two-digit years is 2000-2099: "99" is 2099, so the log jumps back 100
// years less 1 day at midnight; that fix is kept at 0.0 km/h (185 m in a century) and the walk
// goes on from it.
TEST(HostileLog, TwoDigitYearsWindowSplitsTheCentury)
{
    TTempDir dir;
    WriteFile(dir / "in.log", Walk(10, Clock(86400 - 600, 120, "311299", "010100")));
    EXPECT_EQ(FirstRecordStamp(dir / "in.log", 2050), "20991231235000");
    ASSERT_EQ(Convert(dir / "in.log", dir / "out.log", Settings(2050)),
        (TOutcome { "converted", "The passway length = 1.85 km" }));
    const std::vector<std::string> rmc = RmcBodies(ReadFile(dir / "out.log"));
    ASSERT_EQ(rmc.size(), 10u);
    EXPECT_EQ(rmc[3], "$GPRMC,235800,A,3539.4000,N,13945.0000,E,003.0,360.0,311299,,,A");
    EXPECT_EQ(rmc[4], "$GPRMC,000000,A,3539.5000,N,13945.0000,E,000.0,360.0,010100,,,A");
    EXPECT_EQ(rmc[5], "$GPRMC,000200,A,3539.6000,N,13945.0000,E,003.0,360.0,010100,,,A");
}

// Positions far from Japan and near the pole, projected about every zone's origin: the series is
// meaningless there, but every conversion ends with a complete file and no number text that is
// not a number. Positions past the pole or past 180 degrees are refused with the first record's
// field.
TEST(HostileLog, FarOutsideJapanWithEveryOrigin)
{
    const struct
    {
        const char* Name;
        const char* Lat;
        const char* Lon;
        const char* Refused; // the field's text in the error; none: converts
    } places[] = {
        { "London", "5130.0000", "00007.0000", nullptr },
        { "the equator at 0", "0000.0000", "00000.0000", nullptr },
        { "near the pole", "8959.9990", "13945.0000", nullptr },
        { "past the pole", "9959.9990", "13945.0000", "9959.99900" },
        { "past a full turn", "3539.0000", "72000.0000", "72000.0000" },
        { "huge degrees", "9999999.00", "99999999.00", "9999999.000" },
    };
    for (const auto& place : places) {
        std::string log;
        for (int k = 0; k <= 10; ++k) {
            char time[16];
            std::snprintf(time, sizeof time, "01%02d00", 2 * k);
            char lat[16];
            std::snprintf(lat, sizeof lat, "%s%d", place.Lat, k % 10); // moves a little
            log += RecordLine(time, lat, place.Lon, "010107") + "\r\n";
        }
        TTempDir dir;
        WriteFile(dir / "in.log", log);
        for (int origin = 0; origin <= 20; ++origin) {
            SCOPED_TRACE(std::string(place.Name) + ", origin " + std::to_string(origin));
            TConvertSettings settings = Settings();
            settings.OriginIndex = origin;
            settings.SpeedLimitKmh = 1e300; // keep what has a speed at all
            for (const char* name : { "out.log", "out.kml" }) {
                const TOutcome outcome = Convert(dir / "in.log", dir / name, settings);
                if (place.Refused) {
                    EXPECT_EQ(outcome, Failure(PositionError(place.Refused)));
                    continue;
                }
                ASSERT_EQ(outcome.Kind, "converted") << outcome;
                const std::string text = ReadFile(dir / name);
                EXPECT_EQ(outcome.Message.find("NAN"), std::string::npos) << outcome;
                EXPECT_EQ(outcome.Message.find("INF"), std::string::npos) << outcome;
                EXPECT_EQ(text.find("NAN"), std::string::npos);
                EXPECT_EQ(text.find("INF"), std::string::npos);
                EXPECT_TRUE(text.ends_with(name[4] == 'k' ? "</kml>\r\n" : "\r\n"));
            }
        }
    }
}

// A log with more than 1 MiB of placemarks (fixes a day apart by turns, all at one place, so
// every fix is kept and gets one): they pass through the scratch file and come out whole and in
// order.
TEST(HostileLog, PlacemarksBeyondWhatIsHeldInMemoryComeOutInOrder)
{
    TTempDir dir;
    std::string log;
    const int fixes = 6001;
    for (int k = 0; k < fixes; ++k)
        log += RecordLine("000000", "3539.0000", "13945.0000", k % 2 ? "020107" : "010107")
            + "\r\n";
    WriteFile(dir / "in.log", log);
    ASSERT_EQ(Convert(dir / "in.log", dir / "out.kml", Settings()).Kind, "converted");
    const std::string kml = ReadFile(dir / "out.kml");
    ASSERT_GT(kml.size(), 2u << 20);
    // The route, then one placemark per kept fix, in the log's order: 2 January first (the
    // first fix is the reference), local times 09:00.
    EXPECT_EQ(CountOf(kml, "<Placemark>"), 1u + (fixes - 1));
    std::size_t at = kml.find("<Folder><name>waypoints</name>");
    ASSERT_NE(at, std::string::npos);
    for (int k = 1; k < fixes; ++k) {
        const std::string when = k % 2 ? "07/01/02 09:00:00" : "07/01/01 09:00:00";
        at = kml.find("<tr><td>", at);
        ASSERT_NE(at, std::string::npos) << "placemark " << k;
        ASSERT_EQ(kml.compare(at + 8, when.size(), when), 0) << "placemark " << k;
        at = kml.find("</Placemark>", at);
    }
    EXPECT_TRUE(kml.ends_with("</Placemark>\r\n</Folder>\r\n</Document>\r\n</kml>\r\n"));
}

// Where the system has no unnamed files, an output is written under a short hidden name. A
// signal in the middle of the conversion removes it before the process ends with the signal's
// status; the earlier file stays.
TEST(HostileOutput, SignalsRemoveTheNamedTemporaryFile)
{
    TTempDir dir;
    std::string log;
    for (int k = 0; k < 400000; ++k)
        log += RecordLine("000000", "3539.0000", "13945.0000", k % 2 ? "020107" : "010107")
            + "\r\n";
    WriteFile(dir / "in.log", log);
    for (int signal : { SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGUSR1 }) {
        WriteFile(dir / "out.kml", kEarlier);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Default dispositions, as a program started from a terminal finds them.
            for (int s : { SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGUSR1 })
                std::signal(s, SIG_DFL);
            UseNamedTemporaries(true);
            RemoveTemporariesOnSignals();
            ProcFile(dir / "in.log", dir / "out.kml", Settings());
            _exit(0);
        }
        // In the middle: the temporary file has grown past its first block.
        bool middle = false;
        for (int i = 0; i < 3000 && !middle; ++i) {
            for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path())) {
                std::error_code ec;
                if (entry.path().filename().string().starts_with(".ostrel-")
                    && fs::file_size(entry.path(), ec) > 0 && !ec)
                    middle = true;
            }
            if (!middle)
                usleep(10000);
        }
        EXPECT_TRUE(middle) << "no temporary file appeared";
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        EXPECT_EQ(ReadFile(dir / "out.kml"), kEarlier) << "signal " << signal;
        EXPECT_EQ(Snapshot(dir.Path()).size(), 2u) << "signal " << signal;
    }
}

// A file size limit ends no conversion with SIGXFSZ: the write fails and is reported, and the
// named temporary goes like any failed output's.
TEST(HostileOutput, FileSizeLimitIsAFailedWrite)
{
    TTempDir dir;
    std::string log;
    for (int k = 0; k < 20000; ++k)
        log += RecordLine("000000", "3539.0000", "13945.0000", k % 2 ? "020107" : "010107")
            + "\r\n";
    WriteFile(dir / "in.log", log);
    WriteFile(dir / "out.kml", kEarlier);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit { 1 << 16, 1 << 16 };
        setrlimit(RLIMIT_FSIZE, &limit);
        UseNamedTemporaries(true);
        RemoveTemporariesOnSignals();
        try {
            ProcFile(dir / "in.log", dir / "out.kml", Settings());
        } catch (const FileError& error) {
            _exit(error.Fault() && error.Fault()->SystemCode == EFBIG ? 3 : 4);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "status " << status;
    EXPECT_EQ(ReadFile(dir / "out.kml"), kEarlier);
    EXPECT_EQ(Snapshot(dir.Path()).size(), 2u);
}

} // namespace
} // namespace ostrel
