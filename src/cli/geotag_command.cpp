#include "cli/geotag_command.h"

#include "about/about.h"
#include "cli/convert_command.h"
#include "cli/geotag_options.h"
#include "cli/json_lines.h"
#include "core/errors.h"
#include "photos/geotag_text.h"
#include "text/date_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef OSTREL_VERSION
#error "OSTREL_VERSION must be defined by the build"
#endif

namespace fs = std::filesystem;

namespace ostrel::cli {

namespace {

// "2024-05-12T10:00:30Z", with the milliseconds where there are any.
std::string UtcText(double utc)
{
    const TDateTimeFields f = DecodeDateTime(utc);
    char text[40];
    if (f.Millisecond != 0)
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", f.Year, f.Month,
            f.Day, f.Hour, f.Minute, f.Second, f.Millisecond);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", f.Year, f.Month, f.Day,
            f.Hour, f.Minute, f.Second);
    return text;
}

std::string Fixed(double value, int decimals)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.resize(width, ' ');
    return text;
}

// The width of the table's columns after the photo's.
constexpr std::size_t kTimeWidth = 31, kUtcWidth = 26, kDegreesWidth = 14, kSecondsWidth = 12;

std::string TableHeader(std::size_t nameWidth)
{
    return Padded("PHOTO", nameWidth) + Padded("CAMERA TIME", kTimeWidth) + Padded("UTC", kUtcWidth)
        + Padded("LATITUDE", kDegreesWidth) + Padded("LONGITUDE", kDegreesWidth)
        + Padded("FIX BEFORE", kSecondsWidth) + Padded("FIX AFTER", kSecondsWidth) + "RESULT";
}

std::string TableRow(const std::string& photo, std::size_t nameWidth, const TPhotoResult& result,
    TLanguage language, bool dryRun)
{
    const auto seconds = [](const std::optional<double>& s) {
        return s ? Fixed(*s, 1) + " s" : std::string("-");
    };
    std::string row = Padded(ShownText(photo), nameWidth);
    row += Padded(result.Time ? ShownText(result.Time->Text) : "-", kTimeWidth);
    row += Padded(result.Time ? UtcText(result.Utc) : "-", kUtcWidth);
    const bool placed = result.Match.Position.has_value();
    row += Padded(placed ? Fixed(result.Match.Position->Lat, 8) : "-", kDegreesWidth);
    row += Padded(placed ? Fixed(result.Match.Position->Lon, 8) : "-", kDegreesWidth);
    row += Padded(seconds(result.Match.FromBeforeS), kSecondsWidth);
    row += Padded(seconds(result.Match.ToAfterS), kSecondsWidth);
    return row + ShownText(PhotoResultText(result, language, dryRun));
}

std::string JsonOf(const std::string& photo, const TPhotoResult& result, bool dryRun)
{
    nlohmann::ordered_json line;
    line["photo"] = photo;
    if (result.Time) {
        constexpr const char* kTags[] = { "DateTimeOriginal", "DateTimeDigitized", "DateTime" };
        line["time"] = result.Time->Text;
        line["time_tag"] = kTags[static_cast<int>(result.Time->Tag)];
        line["utc"] = UtcText(result.Utc);
    }
    if (result.Match.Position) {
        line["latitude"] = Rounded(result.Match.Position->Lat, 10);
        line["longitude"] = Rounded(result.Match.Position->Lon, 10);
        line["match"] = result.Match.Kind == TMatchKind::Nearest ? "nearest" : "interpolated";
    }
    if (result.Match.FromBeforeS)
        line["from_fix_s"] = Rounded(*result.Match.FromBeforeS, 3);
    if (result.Match.ToAfterS)
        line["to_fix_s"] = Rounded(*result.Match.ToAfterS, 3);
    line["result"] = std::string(PhotoResultName(result));
    if (result.Status == TPhotoStatus::Written) {
        line["write"] = result.Wrote == TPhotoWrite::Exif ? "exif" : "sidecar";
        line["written_to"] = Utf8FromPath(result.Target);
        line["fell_back"] = result.FellBack;
        line["dry_run"] = dryRun;
    }
    return Dumped(line);
}

std::string JsonFailure(const char* key, const std::string& name, const TErrorReport& failure)
{
    nlohmann::ordered_json line;
    line[key] = name;
    AddError(line, failure);
    return Dumped(line);
}

int Geotag(const TGeotagCommandLine& line, std::ostream& out, std::ostream& err, TLanguage language)
{
    bool failed = false;
    const auto fail = [&](const char* key, const std::string& name, const std::exception_ptr& e) {
        const TErrorReport failure = ReportOf(e, language);
        SayFailure(err, kGeotagProgramName, ShownText(name), failure, language);
        if (line.Json)
            out << JsonFailure(key, name, failure) << '\n' << std::flush;
        failed = true;
    };

    TFixTable fixes;
    for (const std::string& log : line.Logs) {
        try {
            AddLogFixes(fixes, PathFromUtf8(log), line.Settings);
        } catch (...) {
            fail("log", log, std::current_exception());
            if (!line.KeepGoing)
                return kExitFailed;
        }
    }
    fixes.Sort();

    std::vector<fs::path> photos;
    for (const std::string& argument : line.Photos) {
        try {
            const std::vector<fs::path> found = PhotosOf(PathFromUtf8(argument));
            photos.insert(photos.end(), found.begin(), found.end());
        } catch (...) {
            fail("photo", argument, std::current_exception());
            if (!line.KeepGoing)
                return kExitFailed;
        }
    }

    std::size_t nameWidth = 6;
    for (const fs::path& photo : photos)
        nameWidth = std::max(nameWidth, ShownText(Utf8FromPath(photo)).size() + 2);
    if (!line.Json && !photos.empty())
        out << TableHeader(nameWidth) << '\n';
    TGeotagReport report;
    report.Done = [&](std::size_t index, const TPhotoResult& result) {
        const std::string name = Utf8FromPath(photos[index]);
        if (line.Json)
            out << JsonOf(name, result, line.DryRun) << '\n';
        else
            out << TableRow(name, nameWidth, result, language, line.DryRun) << '\n';
        out << std::flush;
    };
    report.Failed = [&](std::size_t index, const std::exception_ptr& error) {
        fail("photo", Utf8FromPath(photos[index]), error);
    };
    if (!GeotagPhotos(photos, fixes.Points(), line.GeotagOptions(), line.KeepGoing, report))
        failed = true;
    return failed ? kExitFailed : kExitDone;
}

} // namespace

int RunGeotag(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    TLanguage environmentLanguage)
{
    int status = kExitFailed;
    errno = 0;
    try {
        TGeotagCommandLine line;
        try {
            line = ParseGeotagCommandLine(args);
        } catch (const UsageError& e) {
            err << kGeotagProgramName << ": " << e.what() << '\n'
                << GeotagUsageLine() << '\n'
                << "Try '" << kGeotagProgramName << " --help' for more information.\n";
            return kExitUsage;
        }
        switch (line.Action) {
        case TCommandAction::Help:
            out << GeotagHelpText();
            status = kExitDone;
            break;
        case TCommandAction::Version:
            out << kGeotagProgramName << ' ' << OSTREL_VERSION << '\n' << kLicenseNotice;
            status = kExitDone;
            break;
        case TCommandAction::Convert:
            status = Geotag(line, out, err, line.Language.value_or(environmentLanguage));
            break;
        }
    } catch (const std::exception& e) {
        err << kGeotagProgramName << ": " << e.what() << '\n';
        status = kExitFailed;
    }
    // The rows are the only report of what was written: a lost one is a failure.
    if (!out.flush()) {
        err << kGeotagProgramName << ": write error";
        if (errno != 0)
            err << ": " << std::strerror(errno);
        err << '\n';
        return status == kExitDone ? kExitFailed : status;
    }
    return status;
}

int RunGeotag(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (argv[i] != nullptr)
            args.emplace_back(argv[i]);
    }
    return RunGeotag(
        args, out, err, LanguageOfEnvironment([](const char* name) { return std::getenv(name); }));
}

} // namespace ostrel::cli
