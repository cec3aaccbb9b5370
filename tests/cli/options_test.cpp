#include "cli/options.h"
#include "cli_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace ostrel::cli::test {
namespace {

using ::testing::HasSubstr;

// The values of a parsed command line that the tests look at.
struct TParsed
{
    TCommandAction Action = TCommandAction::Convert;
    std::vector<std::string> Logs { "a.log" };
    std::optional<std::string> Output;
    std::string Format = "kml";
    double SpeedLimitKmh = 10.0;
    std::int32_t TimeZoneHours = 9;
    std::int32_t WaypointIntervalMin = 2;
    int OriginIndex = 0;
    bool WayPoints = true;
    int OpacityPercent = 66;
    std::uint32_t WaypointColor = 0xFFFFFF;
    unsigned Jobs = 0;
    std::int32_t TimeZoneMinutes = 0;
    int KmlVersion = 21;
    std::optional<std::string> OutputDir;
    bool KeepGoing = false;
    bool Summary = false;
    bool Json = false;
    bool SplitDay = false;
    bool Merge = false;

    bool operator==(const TParsed&) const = default;
};

TParsed Summary(const TCommandLine& line)
{
    const TConvertSettings& s = line.Settings;
    return { line.Action, line.Logs, line.Output, std::string(line.Format->Name), s.SpeedLimitKmh,
        s.TimeZoneHours, s.WaypointIntervalMin, s.OriginIndex, s.WayPoints, s.OpacityPercent,
        s.WaypointColor, line.Jobs, s.TimeZoneMinutes, s.KmlVersion, line.OutputDir, line.KeepGoing,
        line.Summary, line.Json, s.SplitDay, s.Merge };
}

void PrintTo(const TParsed& p, std::ostream* os)
{
    *os << "{action " << static_cast<int>(p.Action) << ", logs";
    for (const std::string& log : p.Logs)
        *os << ' ' << log;
    *os << ", output " << p.Output.value_or("-") << ", format " << p.Format << ", limit "
        << p.SpeedLimitKmh << ", zone " << p.TimeZoneHours << ", interval " << p.WaypointIntervalMin
        << ", origin " << p.OriginIndex << ", waypoints " << p.WayPoints << ", opacity "
        << p.OpacityPercent << ", colour " << std::hex << p.WaypointColor << std::dec << ", jobs "
        << p.Jobs << ", minutes " << p.TimeZoneMinutes << ", kml " << p.KmlVersion << ", dir "
        << p.OutputDir.value_or("-") << ", keep going " << p.KeepGoing << ", summary " << p.Summary
        << ", json " << p.Json << ", split day " << p.SplitDay << ", merge " << p.Merge << '}';
}

struct TParseCase
{
    std::vector<std::string> Args;
    TParsed Expected;
};

TParsed With(void (*change)(TParsed&))
{
    TParsed p;
    change(p);
    return p;
}

TEST(CommandLineTest, ParsesEveryOptionInEachSpelling)
{
    const std::vector<TParseCase> cases = {
        { { "a.log" }, {} },
        { { "-o", "out.kml", "a.log" }, With([](TParsed& p) { p.Output = "out.kml"; }) },
        { { "--output", "out.log", "a.log" }, With([](TParsed& p) { p.Output = "out.log"; }) },
        { { "--output=x=y.log", "a.log" }, With([](TParsed& p) { p.Output = "x=y.log"; }) },
        { { "-oout.kml", "a.log" }, With([](TParsed& p) { p.Output = "out.kml"; }) },
        { { "-t", "nmea", "a.log" }, With([](TParsed& p) { p.Format = "nmea"; }) },
        { { "--type=kml", "a.log" }, {} },
        { { "--type", "nmea", "a.log" }, With([](TParsed& p) { p.Format = "nmea"; }) },
        { { "-m", "walk", "a.log" }, {} },
        { { "--mode=jog", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 25.0; }) },
        { { "--mode", "bicycle", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 70.0; }) },
        { { "-m", "car", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 150.0; }) },
        { { "-s", "7", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 7.0; }) },
        { { "-s", "-5", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = -5.0; }) },
        { { "-s-5", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = -5.0; }) },
        { { "--max-speed=0", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 0.0; }) },
        { { "--max-speed", "+12.5", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 12.5; }) },
        { { "--max-speed", "1e2", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 100.0; }) },
        // A custom limit overrides the mode on either side of it.
        { { "-s", "3.5", "-m", "car", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 3.5; }) },
        { { "-m", "car", "-s", "3.5", "a.log" }, With([](TParsed& p) { p.SpeedLimitKmh = 3.5; }) },
        { { "-g", "19", "a.log" }, With([](TParsed& p) { p.OriginIndex = 19; }) },
        { { "--origin=0", "a.log" }, {} },
        { { "--origin", "1", "a.log" }, With([](TParsed& p) { p.OriginIndex = 1; }) },
        { { "-z", "+9", "a.log" }, {} },
        { { "-z", "-11", "a.log" }, With([](TParsed& p) { p.TimeZoneHours = -11; }) },
        { { "--time-zone=0", "a.log" }, With([](TParsed& p) { p.TimeZoneHours = 0; }) },
        { { "--time-zone", "-12", "a.log" }, With([](TParsed& p) { p.TimeZoneHours = -12; }) },
        { { "-z14", "a.log" }, With([](TParsed& p) { p.TimeZoneHours = 14; }) },
        { { "--no-waypoints", "a.log" }, With([](TParsed& p) { p.WayPoints = false; }) },
        { { "-i", "10", "a.log" }, With([](TParsed& p) { p.WaypointIntervalMin = 10; }) },
        { { "--interval=1", "a.log" }, With([](TParsed& p) { p.WaypointIntervalMin = 1; }) },
        { { "--opacity", "10", "a.log" }, With([](TParsed& p) { p.OpacityPercent = 10; }) },
        { { "--opacity=100", "a.log" }, With([](TParsed& p) { p.OpacityPercent = 100; }) },
        // RGB(255, 0, 0) is held as 0x0000FF: red in the lowest byte.
        { { "--color", "FF0000", "a.log" }, With([](TParsed& p) { p.WaypointColor = 0x0000FF; }) },
        { { "--color=0080ff", "a.log" }, With([](TParsed& p) { p.WaypointColor = 0xFF8000; }) },
        { { "--color", "#123456", "a.log" }, With([](TParsed& p) { p.WaypointColor = 0x563412; }) },
        { { "-j", "3", "a.log" }, With([](TParsed& p) { p.Jobs = 3; }) },
        // Time zones with minutes keep the sign of the hours.
        { { "-z", "+5:30", "a.log" }, With([](TParsed& p) {
             p.TimeZoneHours = 5;
             p.TimeZoneMinutes = 30;
         }) },
        { { "-z", "-3:30", "a.log" }, With([](TParsed& p) {
             p.TimeZoneHours = -3;
             p.TimeZoneMinutes = -30;
         }) },
        { { "--time-zone=-0:45", "a.log" }, With([](TParsed& p) {
             p.TimeZoneHours = 0;
             p.TimeZoneMinutes = -45;
         }) },
        { { "--kml-version", "2.2", "a.log" }, With([](TParsed& p) { p.KmlVersion = 22; }) },
        { { "--kml-version=2.1", "a.log" }, {} },
        { { "-d", "out", "a.log" }, With([](TParsed& p) { p.OutputDir = "out"; }) },
        { { "--output-dir=o d", "a.log" }, With([](TParsed& p) { p.OutputDir = "o d"; }) },
        { { "-k", "a.log" }, With([](TParsed& p) { p.KeepGoing = true; }) },
        { { "--keep-going", "a.log" }, With([](TParsed& p) { p.KeepGoing = true; }) },
        { { "--summary", "a.log" }, With([](TParsed& p) { p.Summary = true; }) },
        { { "--json", "a.log" }, With([](TParsed& p) { p.Json = true; }) },
        { { "-", "-o", "-" }, With([](TParsed& p) {
             p.Logs = { "-" };
             p.Output = "-";
         }) },
        { { "--jobs=1", "a.log" }, With([](TParsed& p) { p.Jobs = 1; }) },
        { { "--split-day", "-o", "d.gpx", "a.log" }, With([](TParsed& p) {
             p.SplitDay = true;
             p.Output = "d.gpx";
         }) },
        { { "--merge", "-o", "m.kml", "b.log", "a.log" }, With([](TParsed& p) {
             p.Merge = true;
             p.Output = "m.kml";
             p.Logs = { "b.log", "a.log" };
         }) },
        // Options after and between the logs; "--" ends the options; "-" is a log.
        { { "a.log", "b.log", "-t", "nmea" }, With([](TParsed& p) {
             p.Logs = { "a.log", "b.log" };
             p.Format = "nmea";
         }) },
        { { "--", "-o", "--help" }, With([](TParsed& p) {
             p.Logs = { "-o", "--help" };
         }) },
        // The last of a repeated option counts.
        { { "-z", "1", "-z", "2", "a.log" }, With([](TParsed& p) { p.TimeZoneHours = 2; }) },
        // --help and --version end the parsing where they stand.
        { { "--help" }, With([](TParsed& p) {
             p.Action = TCommandAction::Help;
             p.Logs.clear();
         }) },
        { { "a.log", "-h", "--bogus" }, With([](TParsed& p) { p.Action = TCommandAction::Help; }) },
        { { "--version" }, With([](TParsed& p) {
             p.Action = TCommandAction::Version;
             p.Logs.clear();
         }) },
        { { "-V" }, With([](TParsed& p) {
             p.Action = TCommandAction::Version;
             p.Logs.clear();
         }) },
        // An option's value is taken as it stands, even when it looks like an option.
        { { "-o", "--help", "a.log" }, With([](TParsed& p) { p.Output = "--help"; }) },
    };
    for (const TParseCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Args));
        EXPECT_EQ(Summary(ParseCommandLine(c.Args)), c.Expected);
    }
}

// Every option is one row: no two rows share a name, and the default a row documents (in --help
// and the manual page) is what the settings hold without the option.
TEST(CommandLineTest, OptionRowsHaveOneNameEachAndTheirDocumentedDefaults)
{
    std::set<std::string> names;
    const TParsed defaults = Summary(ParseCommandLine({ "a.log" }));
    for (const TOptionEntry& entry : CommandLineOptions()) {
        const TOptionSpec& option = *entry.Spec;
        SCOPED_TRACE(option.Long);
        EXPECT_TRUE(names.insert("--" + std::string(option.Long)).second);
        if (option.Short != '\0') {
            EXPECT_TRUE(names.insert(std::string("-") + option.Short).second);
        }
        if (!option.Default.empty()) {
            const std::string spelled
                = "--" + std::string(option.Long) + "=" + std::string(option.Default);
            EXPECT_EQ(Summary(ParseCommandLine({ spelled, "a.log" })), defaults);
        }
    }
    // The formats' own options are among them.
    EXPECT_EQ(names.count("--opacity"), 1u);
    EXPECT_EQ(names.count("-z"), 1u);
}

struct TBadCase
{
    std::vector<std::string> Args;
    std::string Fault; // part of the message
};

// The cleaning's and KML's newer options reach the settings, local times as day counts.
TEST(CommandLineTest, CleaningOptionsReachTheSettings)
{
    const TConvertSettings s
        = ParseCommandLine({ "--filter", "robust", "--min-move", "5", "--from", "2007-01-01 10:00",
                               "--to", "2007-01-01T11:30:15", "--privacy", "200", "--split-gap",
                               "10", "--simplify", "3", "--kml-track", "a.log" })
              .Settings;
    EXPECT_TRUE(s.RobustFilter);
    EXPECT_EQ(s.MinMoveM, 5);
    EXPECT_EQ(s.FromLocal, 39083 + 10.0 / 24);
    EXPECT_EQ(s.ToLocal, 39083 + (11 * 3600 + 30 * 60 + 15) / 86400.0);
    EXPECT_EQ(s.PrivacyM, 200);
    EXPECT_EQ(s.SplitGapMin, 10);
    EXPECT_EQ(s.SimplifyM, 3);
    EXPECT_TRUE(s.KmlTrack);
    const TConvertSettings plain = ParseCommandLine({ "a.log" }).Settings;
    EXPECT_FALSE(plain.RobustFilter || plain.KmlTrack || plain.FromLocal || plain.ToLocal);
    EXPECT_EQ(plain.MinMoveM + plain.PrivacyM + plain.SplitGapMin + plain.SimplifyM, 0);
}

TEST(CommandLineTest, RefusesBadCommandLinesWithUsageAndStatus2)
{
    const std::vector<TBadCase> cases = {
        { {}, "no LOG" },
        { { "-t", "kml" }, "no LOG" },
        { { "--bogus", "a.log" }, "'--bogus'" },
        { { "-x", "a.log" }, "'-x'" },
        { { "--no-waypoints=1", "a.log" }, "takes no value" },
        { { "--help=me" }, "takes no value" },
        { { "-" }, "standard input (-) has no default name" },
        { { "-d", "x", "-o", "y.kml", "a.log" }, "--output-dir is for default names" },
        { { "--summary", "--json", "a.log" }, "choose --summary or --json" },
        { { "--kml-version", "3", "a.log" }, "choose 2.1 or 2.2" },
        { { "-z", "+5:3", "a.log" }, "hours:minutes" },
        { { "-z", "14:30", "a.log" }, "hours:minutes" },
        { { "-z", "+5:60", "a.log" }, "hours:minutes" },
        { { "-hV" }, "'-hV'" },
        { { "--outp", "x", "a.log" }, "'--outp'" },
        { { "a.log", "-o" }, "needs a value" },
        { { "a.log", "--max-speed" }, "needs a value" },
        { { "-o", "x.kml", "a.log", "b.log" }, "one LOG" },
        { { "-o", "", "a.log" }, "empty path" },
        { { "-t", "gpz", "a.log" }, "'gpz'" },
        { { "-t", "KML", "a.log" }, "'KML'" },
        { { "-m", "run", "a.log" }, "'run'" },
        { { "-s", "fast", "a.log" }, "'fast'" },
        { { "-s", "", "a.log" }, "''" },
        { { "-s", "7,5", "a.log" }, "'7,5'" },
        { { "-s", "7 ", "a.log" }, "'7 '" },
        { { "-s", "inf", "a.log" }, "'inf'" },
        { { "-s", "nan", "a.log" }, "'nan'" },
        { { "-s", "1e400", "a.log" }, "'1e400'" },
        { { "-s", "+-5", "a.log" }, "'+-5'" },
        { { "-g", "20", "a.log" }, "'20'" },
        { { "-g", "-1", "a.log" }, "'-1'" },
        { { "-g", "1.0", "a.log" }, "'1.0'" },
        { { "-z", "15", "a.log" }, "'15'" },
        { { "-z", "-13", "a.log" }, "'-13'" },
        { { "-z", "9h", "a.log" }, "'9h'" },
        { { "-z", "99999999999999999999", "a.log" }, "'99999999999999999999'" },
        { { "-i", "0", "a.log" }, "'0'" },
        { { "-i", "-2", "a.log" }, "'-2'" },
        { { "-i", "2147483648", "a.log" }, "'2147483648'" },
        { { "--opacity", "9", "a.log" }, "'9'" },
        { { "--opacity", "101", "a.log" }, "'101'" },
        { { "--color", "FFFFF", "a.log" }, "'FFFFF'" },
        { { "--color", "FFFFFFF", "a.log" }, "'FFFFFFF'" },
        { { "--color", "GG0000", "a.log" }, "'GG0000'" },
        { { "--color", "0x0000FF", "a.log" }, "'0x0000FF'" },
        { { "--color", "0x00FF", "a.log" }, "'0x00FF'" },
        { { "--color", "-00001", "a.log" }, "'-00001'" },
        { { "--color", "+00001", "a.log" }, "'+00001'" },
        { { "--color", " 00001", "a.log" }, "' 00001'" },
        { { "--color", "00001 ", "a.log" }, "'00001 '" },
        { { "-j", "0", "a.log" }, "'0'" },
        { { "-j", "-2", "a.log" }, "'-2'" },
        { { "-j", "two", "a.log" }, "'two'" },
        { { "-5", "a.log" }, "'-5'" },
        { { "--merge", "a.log", "b.log" }, "--merge writes one output" },
        { { "--merge", "--split-day", "-o", "m.kml", "a.log" }, "choose --merge or --split-day" },
        { { "--merge", "-o", "m.kml", "a.log", "-" }, "not standard input" },
        { { "--split-day", "-o", "-", "a.log" }, "not to standard output" },
        { { "--filter", "fast", "a.log" }, "choose speed or robust" },
        { { "--min-move", "0", "a.log" }, "must be 1..100000" },
        { { "--from", "2007-02-30 10:00", "a.log" }, "not a date-time" },
        { { "--from", "2007-01-02 10:00", "--to", "2007-01-01 10:00", "a.log" },
            "--from must not be after --to" },
    };
    for (const TBadCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Args));
        EXPECT_THROW(ParseCommandLine(c.Args), UsageError);
        const TRunResult run = RunCli(c.Args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(run.Out, "");
        EXPECT_THAT(run.Err, HasSubstr(c.Fault));
        EXPECT_THAT(run.Err, HasSubstr("Usage: ostrel-convert [options] LOG..."));
    }
}

TEST(CommandLineTest, HelpAndVersionSucceedOnStdout)
{
    const TRunResult help = RunCli({ "--help" });
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Err, "");
    EXPECT_THAT(help.Out, HasSubstr("Usage: ostrel-convert [options] LOG..."));
    for (const char* option : { "--output", "--type", "--mode", "--max-speed", "--origin",
             "--time-zone", "--no-waypoints", "--interval", "--opacity", "--color", "--jobs",
             "--help", "--version" })
        EXPECT_THAT(help.Out, HasSubstr(option));

    const TRunResult version = RunCli({ "--version" });
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Err, "");
    // The name and version on the first line, then the copyright and the licence.
    const std::string firstLine = version.Out.substr(0, version.Out.find('\n') + 1);
    EXPECT_EQ(firstLine, std::string("ostrel-convert ") + OSTREL_VERSION + "\n");
    EXPECT_TRUE(
        std::regex_match(firstLine, std::regex("ostrel-convert [0-9]+\\.[0-9]+\\.[0-9]+\n")));
    EXPECT_THAT(version.Out,
        HasSubstr("\nCopyright (C) 2026 The Ostrel Log Converter developers\nLicense MIT: "));
}

TEST(CommandLineTest, ArgvWithNullsAndNoArgumentsIsAUsageError)
{
    std::ostringstream out;
    std::ostringstream err;
    char program[] = "ostrel-convert";
    char* argv[] = { program, nullptr };
    EXPECT_EQ(RunConvert(1, argv, out, err), 2);
    EXPECT_EQ(RunConvert(0, nullptr, out, err), 2);
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace ostrel::cli::test

namespace ostrel::cli::test {
namespace {

// --lang picks the language of the conversion errors and wins over the environment's; without
// it the environment's language (LC_ALL, LC_MESSAGES, LANG) is the one the errors are shown in.
TEST(CommandLineTest, LanguageFromOptionOrEnvironment)
{
    EXPECT_EQ(ParseCommandLine({ "--lang", "en", "a.log" }).Language, TLanguage::English);
    EXPECT_EQ(ParseCommandLine({ "--lang=ja", "a.log" }).Language, TLanguage::Japanese);
    EXPECT_FALSE(ParseCommandLine({ "a.log" }).Language);
    EXPECT_THROW(ParseCommandLine({ "--lang", "de", "a.log" }), UsageError);
    EXPECT_THROW(ParseCommandLine({ "--lang", "", "a.log" }), UsageError);

    for (const TLanguage environment : { TLanguage::Japanese, TLanguage::English }) {
        EXPECT_EQ(MessageLanguage(ParseCommandLine({ "a.log" }), environment), environment);
        EXPECT_EQ(MessageLanguage(ParseCommandLine({ "--lang", "en", "a.log" }), environment),
            TLanguage::English);
        EXPECT_EQ(MessageLanguage(ParseCommandLine({ "--lang", "ja", "a.log" }), environment),
            TLanguage::Japanese);
    }

    // The chosen language reaches the error line.
    TTempDir dir;
    const std::string missing = Text(dir / "missing.log");
    for (const TLanguage environment : { TLanguage::Japanese, TLanguage::English }) {
        std::ostringstream out, err;
        RunConvert({ missing }, out, err, TSeparators {}, 1, environment);
        EXPECT_THAT(err.str(), HasSubstr(MessageText(FileNotFound(), environment)));
    }
}

} // namespace
} // namespace ostrel::cli::test
