#include "cli/convert_command.h"

#include "about/about.h"
#include "cli/batch.h"
#include "cli/locale_separators.h"
#include "cli/options.h"

#include <exception>
#include <thread>

#ifndef OSTREL_VERSION
#error "OSTREL_VERSION must be defined by the build"
#endif

namespace ostrel::cli {

namespace {

int Convert(const TCommandLine& line, std::ostream& out, std::ostream& err,
    const TSeparators& separators, unsigned defaultJobs)
{
    TBatchRequest request;
    request.Inputs.reserve(line.Logs.size());
    for (const std::string& log : line.Logs)
        request.Inputs.push_back(PathFromUtf8(log));
    if (line.Output)
        request.Output = PathFromUtf8(*line.Output);
    request.Kind = line.Kind;
    request.Settings = line.Settings;
    request.Settings.Separators = separators;
    request.Jobs = line.Jobs != 0 ? line.Jobs : defaultJobs;

    TBatchReport report;
    report.Converted
        = [&](std::size_t, const std::filesystem::path& output, const TConversionResult& result) {
              // An output named on the command line is shown as it was typed.
              out << (line.Output ? *line.Output : Utf8FromPath(output)) << ": "
                  << result.LengthMessage << '\n'
                  << std::flush;
          };
    report.Failed = [&](std::size_t index, const std::string& message) {
        err << kProgramName << ": " << line.Logs[index] << ": " << message << '\n' << std::flush;
    };
    return ConvertBatch(request, report) ? kExitDone : kExitFailed;
}

} // namespace

int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    const TSeparators& separators, unsigned defaultJobs)
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
            out << HelpText();
            return kExitDone;
        case TCommandAction::Version:
            out << kProgramName << ' ' << OSTREL_VERSION << '\n' << kLicenseNotice;
            return kExitDone;
        case TCommandAction::Convert:
            break;
        }
        return Convert(line, out, err, separators, defaultJobs);
    } catch (const std::exception& e) {
        err << kProgramName << ": " << e.what() << '\n';
    } catch (...) {
        err << kProgramName << ": unknown error\n";
    }
    return kExitFailed;
}

int RunConvert(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (argv[i] != nullptr)
            args.emplace_back(argv[i]);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return RunConvert(args, out, err, LocaleSeparators(""), cores != 0 ? cores : 1);
}

} // namespace ostrel::cli
