#pragma once

// The ostrel-convert command, run in-process: arguments in, lines on two streams, exit status out.

#include "cli/options.h"
#include "core/messages.h"
#include "core/settings.h"

#include <ostream>
#include <string>
#include <vector>

namespace ostrel::cli {

enum TExitStatus : int
{
    kExitDone = 0,
    kExitFailed = 1, // a conversion failed
    kExitUsage = 2, // the command line is not usable
};

// The language the conversion errors are shown in: --lang, else the environment's.
TLanguage MessageLanguage(const TCommandLine& line, TLanguage environment);

// Runs the command on the arguments after the program name (UTF-8), with the separators of the
// texts meant for people, the default number of jobs and the environment's message language
// given. Never throws.
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    const TSeparators& separators, unsigned defaultJobs,
    TLanguage environmentLanguage = TLanguage::Japanese);

// As above, with argv as main receives it (UTF-8), the user's regional settings and message
// language (LC_ALL, LC_MESSAGES, LANG) and the computer's processor count.
int RunConvert(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ostrel::cli
