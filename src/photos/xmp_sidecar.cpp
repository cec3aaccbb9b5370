#include "photos/xmp_sidecar.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "text/date_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#ifndef OSTREL_VERSION
#error "OSTREL_VERSION must be defined by the build"
#endif

namespace fs = std::filesystem;

namespace ostrel {

namespace {

constexpr std::string_view kExifNamespace = "http://ns.adobe.com/exif/1.0/";
constexpr std::string_view kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// The markup of an XML text, as far as the edits need it: every start and end tag with its
// attributes, where each lies. Comments, processing instructions, CDATA and declarations are
// passed over.
struct TAttribute
{
    std::size_t Begin = 0; // the blanks before it included
    std::size_t End = 0;
    std::string_view Name;
    std::string_view Value;
};

struct TTag
{
    std::size_t Begin = 0;
    std::size_t End = 0; // after its ">"
    std::string_view Name;
    bool Closing = false; // </name>
    bool Empty = false; // <name/>
    std::vector<TAttribute> Attributes;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c)
{
    return !IsBlank(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\'';
}

// The tags of a text; nothing when its markup does not close.
std::optional<std::vector<TTag>> Tags(std::string_view text)
{
    std::vector<TTag> tags;
    std::size_t at = 0;
    const auto skipTo = [&](std::string_view end) {
        const std::size_t found = text.find(end, at);
        if (found == std::string_view::npos)
            return false;
        at = found + end.size();
        return true;
    };
    while ((at = text.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with("<!--")) {
            if (!skipTo("-->"))
                return std::nullopt;
            continue;
        }
        if (rest.starts_with("<![CDATA[")) {
            if (!skipTo("]]>"))
                return std::nullopt;
            continue;
        }
        if (rest.starts_with("<?")) {
            if (!skipTo("?>"))
                return std::nullopt;
            continue;
        }
        if (rest.starts_with("<!")) {
            if (!skipTo(">"))
                return std::nullopt;
            continue;
        }
        TTag tag;
        tag.Begin = at;
        std::size_t i = at + 1;
        if (i < text.size() && text[i] == '/') {
            tag.Closing = true;
            ++i;
        }
        const std::size_t nameStart = i;
        while (i < text.size() && IsNameChar(text[i]))
            ++i;
        tag.Name = text.substr(nameStart, i - nameStart);
        if (tag.Name.empty())
            return std::nullopt;
        for (;;) {
            const std::size_t blanks = i;
            while (i < text.size() && IsBlank(text[i]))
                ++i;
            if (i >= text.size())
                return std::nullopt;
            if (text[i] == '>') {
                ++i;
                break;
            }
            if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '>' && !tag.Closing) {
                tag.Empty = true;
                i += 2;
                break;
            }
            if (tag.Closing || i == blanks)
                return std::nullopt; // an attribute must follow a blank
            TAttribute attribute;
            attribute.Begin = blanks;
            const std::size_t attributeName = i;
            while (i < text.size() && IsNameChar(text[i]))
                ++i;
            attribute.Name = text.substr(attributeName, i - attributeName);
            while (i < text.size() && IsBlank(text[i]))
                ++i;
            if (attribute.Name.empty() || i >= text.size() || text[i] != '=')
                return std::nullopt;
            ++i;
            while (i < text.size() && IsBlank(text[i]))
                ++i;
            if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
                return std::nullopt;
            const char quote = text[i++];
            const std::size_t close = text.find(quote, i);
            if (close == std::string_view::npos)
                return std::nullopt;
            attribute.Value = text.substr(i, close - i);
            i = close + 1;
            attribute.End = i;
            tag.Attributes.push_back(attribute);
        }
        tag.End = i;
        at = i;
        tags.push_back(std::move(tag));
    }
    return tags;
}

// The prefixes bound to a namespace anywhere in the text.
std::vector<std::string_view> PrefixesOf(const std::vector<TTag>& tags, std::string_view uri)
{
    std::vector<std::string_view> prefixes;
    for (const TTag& tag : tags) {
        for (const TAttribute& attribute : tag.Attributes) {
            if (attribute.Name.starts_with("xmlns:") && attribute.Value == uri)
                prefixes.push_back(attribute.Name.substr(6));
        }
    }
    return prefixes;
}

// Whether a qualified name is prefix:local for one of the prefixes and a local name that starts
// with localStart (the whole local name when exact).
bool Named(std::string_view name, const std::vector<std::string_view>& prefixes,
    std::string_view local, bool exact)
{
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view prefix = name.substr(0, colon);
    const std::string_view rest = name.substr(colon + 1);
    if (std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end())
        return false;
    return exact ? rest == local : rest.starts_with(local);
}

struct TParsed
{
    std::vector<TTag> Tags;
    std::vector<std::string_view> Exif; // the prefixes of EXIF's namespace
    std::vector<std::string_view> Rdf; // and of RDF's
};

std::optional<TParsed> Parse(std::string_view xmp)
{
    std::optional<std::vector<TTag>> tags = Tags(xmp);
    if (!tags)
        return std::nullopt;
    TParsed parsed { std::move(*tags), {}, {} };
    parsed.Exif = PrefixesOf(parsed.Tags, kExifNamespace);
    parsed.Rdf = PrefixesOf(parsed.Tags, kRdfNamespace);
    return parsed;
}

bool HasProperty(const TParsed& parsed, std::string_view local)
{
    for (const TTag& tag : parsed.Tags) {
        if (!tag.Closing && Named(tag.Name, parsed.Exif, local, true))
            return true;
        for (const TAttribute& attribute : tag.Attributes) {
            if (Named(attribute.Name, parsed.Exif, local, true))
                return true;
        }
    }
    return false;
}

// The GPS properties of the exif namespace written by EXIF's own tags.
std::string Properties(const TPhotoPosition& position, std::string_view indent)
{
    std::string text;
    const auto add = [&](std::string_view name, std::string_view value) {
        text.append("\n").append(indent).append("exif:").append(name).append("=\"");
        text.append(value).append("\"");
    };
    add("GPSVersionID", "2.3.0.0");
    add("GPSLatitude", XmpCoordinate(position.Position.Lat, true));
    add("GPSLongitude", XmpCoordinate(position.Position.Lon, false));
    add("GPSTimeStamp", FormatUtcTime(position.Utc));
    add("GPSMapDatum", "WGS-84");
    return text;
}

// The description of the position, with the line end and the blank of the rdf:RDF end after it.
std::string Description(
    std::string_view rdf, std::string_view about, const TPhotoPosition& position)
{
    return "<" + std::string(rdf) + ":Description " + std::string(rdf) + ":about=\""
        + std::string(about) + "\"\n    xmlns:exif=\"" + std::string(kExifNamespace) + "\""
        + Properties(position, "    ") + "/>\n ";
}

} // namespace

fs::path SidecarPath(const fs::path& photo, TSidecarName name)
{
    fs::path sidecar = photo;
    if (name == TSidecarName::Base)
        return sidecar.replace_extension(".xmp");
    return sidecar += ".xmp";
}

std::string XmpCoordinate(double degrees, bool latitude)
{
    constexpr long long kPerMinute = 100'000'000; // minutes to 8 decimals
    const long long total = std::llround(std::fabs(degrees) * 60.0 * kPerMinute);
    const long long whole = total / (60 * kPerMinute);
    const long long rest = total % (60 * kPerMinute);
    char text[64];
    std::snprintf(text, sizeof text, "%lld,%02lld.%08lld%c", whole, rest / kPerMinute,
        rest % kPerMinute, latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E'));
    return text;
}

std::string NewSidecar(const TPhotoPosition& position)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Ostrel Log Converter " OSTREL_VERSION
           "\">\n"
           " <rdf:RDF xmlns:rdf=\""
        + std::string(kRdfNamespace) + "\">\n  " + Description("rdf", "", position)
        + "</rdf:RDF>\n"
          "</x:xmpmeta>\n";
}

bool SidecarHasPosition(std::string_view xmp)
{
    const std::optional<TParsed> parsed = Parse(xmp);
    return parsed && HasProperty(*parsed, "GPSLatitude") && HasProperty(*parsed, "GPSLongitude");
}

std::string SidecarWithPosition(
    std::string_view xmp, const TPhotoPosition& position, const fs::path& path)
{
    const std::optional<TParsed> parsed = Parse(xmp);
    if (!parsed || parsed->Rdf.empty())
        throw SidecarNotXmp(Utf8FromPath(path));
    const std::vector<TTag>& tags = parsed->Tags;

    // The end of rdf:RDF, and what the descriptions are about.
    const TTag* rdfEnd = nullptr;
    std::optional<std::string_view> about;
    std::string_view rdf;
    for (const TTag& tag : tags) {
        if (tag.Closing && Named(tag.Name, parsed->Rdf, "RDF", true)) {
            rdfEnd = &tag;
            rdf = tag.Name.substr(0, tag.Name.find(':'));
        }
        if (!about && !tag.Closing && Named(tag.Name, parsed->Rdf, "Description", true)) {
            for (const TAttribute& attribute : tag.Attributes) {
                if (Named(attribute.Name, parsed->Rdf, "about", true))
                    about = attribute.Value;
            }
        }
    }
    if (!rdfEnd)
        throw SidecarNotXmp(Utf8FromPath(path));

    // What goes: every GPS property of the exif namespace, as an attribute or as an element
    // (with the blanks before it on its line).
    std::map<std::size_t, std::size_t> removed; // begin -> end
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const TTag& tag = tags[i];
        for (const TAttribute& attribute : tag.Attributes) {
            if (Named(attribute.Name, parsed->Exif, "GPS", false))
                removed[attribute.Begin] = attribute.End;
        }
        if (tag.Closing || !Named(tag.Name, parsed->Exif, "GPS", false))
            continue;
        std::size_t end = tag.End;
        if (!tag.Empty) {
            int depth = 0;
            std::size_t j = i + 1;
            for (; j < tags.size(); ++j) {
                if (tags[j].Name != tag.Name || tags[j].Empty)
                    continue;
                if (!tags[j].Closing) {
                    ++depth;
                } else if (depth-- == 0) {
                    break;
                }
            }
            if (j == tags.size())
                throw SidecarNotXmp(Utf8FromPath(path));
            end = tags[j].End;
            i = j;
        }
        std::size_t begin = tag.Begin;
        while (begin > 0 && (xmp[begin - 1] == ' ' || xmp[begin - 1] == '\t'))
            --begin;
        if (begin > 0 && xmp[begin - 1] == '\n')
            --begin;
        removed[begin] = end;
    }

    const std::string description = Description(rdf, about.value_or(""), position);
    std::string text;
    text.reserve(xmp.size() + description.size());
    std::size_t copied = 0;
    for (const auto& [begin, end] : removed) {
        if (begin < copied)
            continue; // inside a span already taken out
        text.append(xmp.substr(copied, begin - copied));
        copied = end;
    }
    if (rdfEnd->Begin < copied)
        throw SidecarNotXmp(Utf8FromPath(path));
    text.append(xmp.substr(copied, rdfEnd->Begin - copied));
    text.append(description);
    text.append(xmp.substr(rdfEnd->Begin));
    return text;
}

} // namespace ostrel
