#pragma once

// Text for XML character data, as the KML and GPX writers put the regional separators and the
// texts made with them into their documents.

#include <string>
#include <string_view>

namespace ostrel {

// "&", "<" and ">" escaped, tab, line feed and carriage return as character references (so that
// they survive as they are), and the other control characters, which XML 1.0 cannot carry at all,
// as U+FFFD. Escaped, a text also cannot end a CDATA section ("]]>").
std::string XmlEscaped(std::string_view text);

// The same, appended to out.
void AppendXmlEscaped(std::string& out, std::string_view text);

} // namespace ostrel
