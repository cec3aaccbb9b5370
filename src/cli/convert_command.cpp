#include "cli/convert_command.h"

#include "about/about.h"
#include "cli/json_lines.h"
#include "cli/locale_separators.h"
#include "cli/options.h"
#include "cli/report.h"
#include "conversion/batch.h"
#include "conversion/merge.h"
#include "core/errors.h"
#include "core/messages.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <thread>

#ifndef OSTREL_VERSION
#error "OSTREL_VERSION must be defined by the build"
#endif

namespace ostrel::cli {

namespace {

// The first error of a write to standard output (errno right after it), or 0 while none failed.
void NoteWrite(std::ostream& out, int& writeError)
{
    if (!out && writeError == 0)
        writeError = errno != 0 ? errno : EIO;
}

// The logs into one output (--merge): one line for it, or the failure.
int Merge(const TCommandLine& line, std::ostream& out, std::ostream& err,
    const TSeparators& separators, TLanguage language, int& writeError)
{
    TMergeRequest request;
    for (const std::string& log : line.Logs)
        request.Inputs.push_back(PathFromUtf8(log));
    request.Output = PathFromUtf8(*line.Output);
    const bool standardOutput = *line.Output == kStandardStream;
    if (standardOutput) {
        request.Placement = TPlacement::StandardOutput;
        request.Format = line.Format;
    }
    request.Settings = line.Settings;
    request.Settings.Separators = separators;

    std::ostream& said = standardOutput ? err : out;
    TMergeReport report;
    report.Converted = [&](const std::vector<std::size_t>& order, const TConversionResult& result) {
        if (line.Json) {
            std::vector<std::string> inputs;
            for (const std::size_t index : order)
                inputs.push_back(line.Logs[index]);
            said << MergeJsonLine(inputs, *line.Output, &result, nullptr) << '\n';
        } else {
            said << ShownText(*line.Output) << ": " << result.LengthMessage << '\n';
        }
        if (line.Summary)
            said << SummaryText(result, separators);
        said << std::flush;
        NoteWrite(out, writeError);
    };
    report.Failed = [&](std::optional<std::size_t> log, const std::exception_ptr& error) {
        const TErrorReport failure = ReportOf(error, language);
        SayFailure(err, kProgramName,
            log ? std::optional<std::string>(ShownText(line.Logs[*log])) : std::nullopt, failure,
            language);
        if (line.Json) {
            said << (log ? JsonLine(line.Logs[*log], line.Output, nullptr, &failure)
                         : MergeJsonLine(line.Logs, *line.Output, nullptr, &failure))
                 << '\n'
                 << std::flush;
            NoteWrite(out, writeError);
        }
    };
    return MergeLogs(request, report) ? kExitDone : kExitFailed;
}

int Convert(const TCommandLine& line, std::ostream& out, std::ostream& err,
    const TSeparators& separators, unsigned defaultJobs, TLanguage language, int& writeError)
{
    TBatchRequest request;
    request.Inputs.reserve(line.Logs.size());
    for (const std::string& log : line.Logs)
        request.Inputs.push_back(PathFromUtf8(log));
    request.ReadsStandardInput = line.Logs.size() == 1 && line.Logs.front() == kStandardStream;
    if (line.Output) {
        request.Output = PathFromUtf8(*line.Output);
        request.WritesStandardOutput = *line.Output == kStandardStream;
    }
    if (line.OutputDir)
        request.OutputDir = PathFromUtf8(*line.OutputDir);
    request.Format = line.Format;
    request.Settings = line.Settings;
    request.Settings.Separators = separators;
    request.Jobs = line.Jobs != 0 ? line.Jobs : defaultJobs;
    request.KeepGoing = line.KeepGoing;

    // With the output on standard output, what is said of it goes to standard error.
    std::ostream& said = request.WritesStandardOutput ? err : out;
    auto shownInput = [&](std::size_t index) {
        return line.Logs[index] == kStandardStream ? std::string("(standard input)")
                                                   : ShownText(line.Logs[index]);
    };
    TBatchReport report;
    report.Converted = [&](std::size_t index, const std::filesystem::path& output,
                           const TConversionResult& result) {
        // An output named on the command line is shown as it was typed; a default name, or a day
        // of a log split by day, as it was written, with the "_N" it got. JSON holds the name
        // exactly; a line for people shows control characters as "?".
        const std::string name
            = line.Output && !line.Settings.SplitDay ? *line.Output : Utf8FromPath(output);
        if (line.Json)
            said << JsonLine(line.Logs[index], name, &result, nullptr) << '\n';
        else
            said << ShownText(name) << ": " << result.LengthMessage << '\n';
        if (line.Summary)
            said << SummaryText(result, separators);
        said << std::flush;
        NoteWrite(out, writeError);
    };
    report.Failed = [&](std::size_t index, const std::exception_ptr& error) {
        const TErrorReport failure = ReportOf(error, language);
        SayFailure(err, kProgramName, shownInput(index), failure, language);
        if (line.Json) {
            said << JsonLine(line.Logs[index], line.Output, nullptr, &failure) << '\n'
                 << std::flush;
            NoteWrite(out, writeError);
        }
    };
    return ConvertBatch(request, report) ? kExitDone : kExitFailed;
}

// Ends a run whose standard output could not be written: the report lines are the only place
// that names the outputs, so a lost one is a failure, as in the core utilities.
int WriteFailed(std::ostream& err, int status, int error)
{
    err << kProgramName << ": write error";
    if (error != 0)
        err << ": " << std::strerror(error);
    err << '\n';
    return status == kExitDone ? kExitFailed : status;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    const TSeparators& separators, unsigned defaultJobs, TLanguage environmentLanguage,
    int& writeError)
{
    try {
        TCommandLine line;
        try {
            line = ParseCommandLine(args);
        } catch (const UsageError& e) {
            err << kProgramName << ": " << e.what() << '\n'
                << UsageLine() << '\n'
                << "Try '" << kProgramName << " --help' for more information.\n";
            return kExitUsage;
        }
        switch (line.Action) {
        case TCommandAction::Help:
            out << HelpText() << std::flush;
            NoteWrite(out, writeError);
            return kExitDone;
        case TCommandAction::Version:
            out << kProgramName << ' ' << OSTREL_VERSION << '\n' << kLicenseNotice << std::flush;
            NoteWrite(out, writeError);
            return kExitDone;
        case TCommandAction::Convert:
            break;
        }
        const TLanguage language = MessageLanguage(line, environmentLanguage);
        if (line.Settings.Merge)
            return Merge(line, out, err, separators, language, writeError);
        return Convert(line, out, err, separators, defaultJobs, language, writeError);
    } catch (const std::exception& e) {
        err << kProgramName << ": " << e.what() << '\n';
    } catch (...) {
        err << kProgramName << ": unknown error\n";
    }
    return kExitFailed;
}

} // namespace

TLanguage MessageLanguage(const TCommandLine& line, TLanguage environment)
{
    return line.Language.value_or(environment);
}

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    const TSeparators& separators, unsigned defaultJobs, TLanguage environmentLanguage)
{
    int writeError = 0;
    errno = 0;
    const int status
        = Run(args, out, err, separators, defaultJobs, environmentLanguage, writeError);
    errno = 0;
    if (!out.flush())
        NoteWrite(out, writeError);
    return writeError != 0 ? WriteFailed(err, status, writeError) : status;
}

int RunConvert(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (argv[i] != nullptr)
            args.emplace_back(argv[i]);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return RunConvert(args, out, err, LocaleSeparators(""), cores != 0 ? cores : 1,
        LanguageOfEnvironment([](const char* name) { return std::getenv(name); }));
}

} // namespace ostrel::cli
