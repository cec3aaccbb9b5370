#include "writers/geojson_writer.h"

#include "conversion/statistics_rows.h"
#include "core/held.h"
#include "geo/track_statistics.h"
#include "text/date_text.h"
#include "text/number_text.h"
#include "writers/json_text.h"
#include "writers/text_in_parts.h"
#include "writers/waypoints.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace ostrel {

namespace {

constexpr std::string_view kHead = "{\"type\":\"FeatureCollection\",\"features\":[\r\n";
constexpr std::string_view kTail = "\r\n]}\r\n";

char* WriteText(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// "[139.7520576,35.6520576]": longitude first, 7 decimals and a period.
constexpr std::size_t kMaxPosition = 2 * kMaxNumberText + 4;

char* WritePosition(char* out, double lon, double lat)
{
    *out++ = '[';
    out = WriteFixed(out, lon, 18, 7);
    *out++ = ',';
    out = WriteFixed(out, lat, 18, 7);
    *out++ = ']';
    return out;
}

void AppendNumber(std::string& out, double value)
{
    char text[kMaxJsonNumber];
    out.append(text, WriteJsonNumber(text, value));
}

// A statistics row's value as --json writes it: counts whole, times as UTC texts, the other
// numbers rounded to the decimals a script needs.
void AppendRowValue(std::string& out, const TStatisticRow& row)
{
    if (row.Unit == TStatisticUnit::Count)
        out += std::to_string(static_cast<std::uint64_t>(row.Value));
    else if (row.Unit == TStatisticUnit::UtcTime)
        AppendJsonString(out, row.Text({}));
    else
        AppendNumber(out, row.JsonNumber());
}

// The rows as one JSON object in their order; the rows of a group as an object of their own
// where the group's first row stands ("bounds").
void AppendStatistics(std::string& out, const std::vector<TStatisticRow>& rows)
{
    out += '{';
    bool firstMember = true;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TStatisticRow& row = rows[i];
        bool seen = false;
        for (std::size_t j = 0; j < i && !row.Group.empty(); ++j)
            seen = seen || rows[j].Group == row.Group;
        if (seen)
            continue;
        if (!firstMember)
            out += ',';
        firstMember = false;
        if (row.Group.empty()) {
            AppendJsonString(out, row.Key);
            out += ':';
            AppendRowValue(out, row);
            continue;
        }
        AppendJsonString(out, row.Group);
        out += ":{";
        bool firstInGroup = true;
        for (std::size_t j = i; j < rows.size(); ++j) {
            if (rows[j].Group != row.Group)
                continue;
            if (!firstInGroup)
                out += ',';
            firstInGroup = false;
            AppendJsonString(out, rows[j].Key);
            out += ':';
            AppendRowValue(out, rows[j]);
        }
        out += '}';
    }
    out += '}';
}

// A position of the route as it waits for the end: the geometry's type is known only then.
struct TRoutePosition
{
    double Lon;
    double Lat;
    bool StartsLine; // the first of the route, or where the route starts again
};

class TGeoJsonWriter final : public TTrackWriter
{
public:
    TGeoJsonWriter(TOutputFile& output, TGeoJsonOptions options)
        : output_(output)
        , options_(std::move(options))
        , spacing_(options_.Waypoints.IntervalMin)
        , positions_(output.Folder())
        , waypoints_(output.Folder())
    {
    }

    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) override
    {
        statistics_.Begin(first, utcDateTime, point);
        name_ = FormatDateTime("YY/MM/DD, HH:NN", first.DateTime, options_.Separators);
        output_.Write(kHead);
    }

    // The logs of a merge: each log's route is a line of its own, its waypoints spaced from its
    // own start.
    void NextLog(const TGPSRec&, double, const TPlanePoint&) override
    {
        nextStartsLine_ = true;
        spacing_ = TWaypointSpacing(options_.Waypoints.IntervalMin);
    }

    void Dropped(const TTrackDrop& drop) override { statistics_.Dropped(drop); }

    // The route's positions are held (beyond a bound in a scratch file) until its geometry's type
    // is known; the waypoints, which follow it, are held as their text.
    void Fix(const TTrackFix& fix) override
    {
        statistics_.Fix(fix);
        if (fix.InRoute) {
            const bool startsLine = lines_ == 0 || fix.StartsSegment || nextStartsLine_;
            nextStartsLine_ = false;
            lines_ += startsLine;
            positions_.Push({ fix.Rec.Lon, fix.Rec.Lat, startsLine });
            ++routePositions_;
        }
        if (options_.Waypoints.On && spacing_.Due(fix.Rec.DateTime))
            AppendWaypoint(fix);
    }

    void End(double totalMetres, const TTrackCounts& counts) override
    {
        statistics_.End(totalMetres, counts);
        // The route's name and description as the KML document's. The description also tells
        // readers that guess a member's type from its values (GDAL) that the waypoints'
        // descriptions, which start with a date, are texts.
        std::string properties = "{\"type\":\"Feature\",\"properties\":{\"name\":";
        AppendJsonString(properties, name_);
        properties += ",\"description\":\"Route\",\"length_km\":";
        AppendNumber(properties, std::round(totalMetres / 1000 * 100) / 100); // as --json
        properties += ",\"statistics\":";
        AppendStatistics(properties,
            StatisticRows(counts, statistics_.Statistics(), totalMetres, options_.Cleaned, 1));
        properties += "},";
        output_.Write(properties);
        WriteGeometry();
        output_.Write("}");
        waypoints_.WriteTo(output_);
        output_.Write(kTail);
    }

private:
    // The route, one position a line. RFC 7946 wants two positions or more in a line: a line of
    // one fix (the route of a single fix, or a segment of one) gives its position twice.
    void WriteGeometry()
    {
        if (lines_ == 0) {
            output_.Write("\"geometry\":null");
            return;
        }
        const bool multi = lines_ > 1;
        output_.Write(multi ? "\"geometry\":{\"type\":\"MultiLineString\",\"coordinates\":[\r\n"
                            : "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[\r\n");
        if (!multi && options_.Threads > 1 && routePositions_ > 1) {
            WriteLineInParts();
            return;
        }
        TRoutePosition last {};
        std::uint64_t inLine = 0; // positions written of the current line
        const auto write = [&](std::string_view before, const TRoutePosition& position) {
            char* const out = output_.Reserve(kMaxPosition + before.size());
            char* const end = WritePosition(WriteText(out, before), position.Lon, position.Lat);
            output_.Advance(static_cast<std::size_t>(end - out));
            last = position;
            ++inLine;
        };
        const auto endLone = [&] {
            if (inLine == 1)
                write(",\r\n", last);
        };
        positions_.ForEach([&](const TRoutePosition& position) {
            if (!position.StartsLine) {
                write(",\r\n", position);
                return;
            }
            endLone();
            if (inLine > 0)
                output_.Write("],\r\n");
            inLine = 0;
            write(multi ? "[" : "", position);
        });
        endLone();
        output_.Write(multi ? "]]}" : "]}");
    }

    // The route's one line of two positions or more, formatted in parts on several threads and
    // written in order.
    void WriteLineInParts()
    {
        TTextInParts parts(output_, options_.Threads, options_.PartPositions);
        std::uint64_t before = 0; // positions of the blocks before
        positions_.ForEachBlock([&](std::span<const TRoutePosition> positions) {
            parts.Write(positions, kMaxPosition + 3,
                [before](char* out, std::span<const TRoutePosition> part, std::size_t first) {
                    for (const TRoutePosition& position : part) {
                        if (before + first++ > 0)
                            out = WriteText(out, ",\r\n");
                        out = WritePosition(out, position.Lon, position.Lat);
                    }
                    return out;
                });
            before += positions.size();
        });
        output_.Write("]}");
    }

    // ",\r\n" and the waypoint's feature on one line: its UTC time, the placemark's name (local
    // "HH:NN (d.dkm)") and its table as one description, the rows joined by ", ".
    void AppendWaypoint(const TTrackFix& fix)
    {
        const TWaypointTexts texts
            = WaypointTexts(fix.Rec, fix.Kept, fix.TotalMetres, options_.Separators);
        std::string& text = waypoints_.Text();
        char time[TUtcTimeText::kMaxText];
        const std::string_view timeText(
            time, static_cast<std::size_t>(waypointTimes_.Write(time, fix.UtcDateTime) - time));
        text += ",\r\n{\"type\":\"Feature\",\"properties\":{\"time\":";
        AppendJsonString(text, timeText);
        text += ",\"name\":";
        AppendJsonString(text, texts.Name);
        text += ",\"description\":";
        AppendJsonString(text, texts.DateDistance + ", " + texts.Speed + ", " + texts.Heading);
        text += "},\"geometry\":{\"type\":\"Point\",\"coordinates\":";
        char position[kMaxPosition];
        text.append(position, WritePosition(position, fix.Rec.Lon, fix.Rec.Lat));
        text += "}}";
        waypoints_.Bound();
    }

    TOutputFile& output_;
    const TGeoJsonOptions options_;
    TWaypointSpacing spacing_;
    TUtcTimeText waypointTimes_;
    TStatisticsSink statistics_; // its own count: the numbers go into the document
    TRecordSpool<TRoutePosition> positions_;
    THeldText waypoints_;
    std::string name_; // the route's, as the KML document's
    std::uint64_t lines_ = 0; // lines of the route so far
    std::uint64_t routePositions_ = 0;
    bool nextStartsLine_ = false; // a merge's next log begins
};

} // namespace

std::unique_ptr<TTrackWriter> MakeGeoJson(TOutputFile& output, TGeoJsonOptions options)
{
    return std::make_unique<TGeoJsonWriter>(output, std::move(options));
}

} // namespace ostrel
