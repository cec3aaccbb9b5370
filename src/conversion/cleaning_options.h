#pragma once

// The options of the cleaning of a track beyond the speed filter, as rows of the conversion
// settings; every stage is off unless its option is given. The command line lists them after the
// formats' options (its parser, --help, the manual page and the completion read them there), and
// the window builds its controls from the same rows: their ranges, choices and defaults are these.

#include "conversion/command_options.h"
#include "core/settings.h"

#include <span>

namespace ostrel {

// In the order of --help.
std::span<const TOption<TConvertSettings>> CleaningOptions();

} // namespace ostrel
