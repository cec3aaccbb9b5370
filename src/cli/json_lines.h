#pragma once

// What the programs' --json lines and error lines share. Only the command line's own sources
// include it (nlohmann's header is theirs alone).

#include "core/messages.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace ostrel::cli {

// A number for JSON, rounded to `decimals` decimals (JSON writes the shortest text that reads
// back as the same double, so 0.47 stays "0.47").
inline double Rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// "error", "kind", "line" and "detail" of a failure.
inline void AddError(nlohmann::ordered_json& line, const TErrorReport& error)
{
    line["error"] = error.Message;
    if (error.Kind)
        line["kind"] = std::string(ErrorKindName(*error.Kind));
    if (error.Line)
        line["line"] = *error.Line;
    if (error.Detail)
        line["detail"] = *error.Detail;
}

// Invalid UTF-8 in a name is shown with replacement characters rather than refused.
inline std::string Dumped(const nlohmann::ordered_json& line)
{
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// "PROGRAM: NAME:LINE: message (detail)" on err: the file when the failure concerns one, its
// line for an error of a record line (as compilers name a source line), and the file at fault
// and the system's reason when it is not that file.
inline void SayFailure(std::ostream& err, std::string_view program,
    const std::optional<std::string>& shownName, const TErrorReport& failure, TLanguage language)
{
    err << program << ": ";
    if (shownName) {
        err << *shownName;
        if (failure.Line)
            err << ':' << *failure.Line;
        err << ": ";
    }
    err << failure.Message;
    if (failure.Detail) {
        err << (language == TLanguage::Japanese ? "（" : " (") << *failure.Detail
            << (language == TLanguage::Japanese ? "）" : ")");
    }
    err << '\n' << std::flush;
}

} // namespace ostrel::cli
