#pragma once

// The ostrel-geotag command, run in-process: arguments in, lines on two streams, exit status
// out (0 all done, 1 a log or photo failed, 2 a bad command line, as ostrel-convert's).

#include "core/messages.h"

#include <ostream>
#include <string>
#include <vector>

namespace ostrel::cli {

// Runs the command on the arguments after the program name (UTF-8), with the environment's
// message language given. Never throws.
int RunGeotag(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
    TLanguage environmentLanguage = TLanguage::English);

// As above, with argv as main receives it and the language of the environment.
int RunGeotag(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ostrel::cli
