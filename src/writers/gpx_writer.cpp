#include "writers/gpx_writer.h"

#include "core/held.h"
#include "text/date_text.h"
#include "text/number_text.h"
#include "writers/text_in_parts.h"
#include "writers/waypoints.h"
#include "writers/xml_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#ifndef OSTREL_VERSION
#error "OSTREL_VERSION: the project's version, defined by the build"
#endif

namespace ostrel {

namespace {

constexpr std::string_view kHead
    = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<gpx version=\"1.1\" creator=\"Ostrel Log Converter " OSTREL_VERSION "\""
      " xmlns=\"http://www.topografix.com/GPX/1/1\""
      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
      " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1"
      " http://www.topografix.com/GPX/1/1/gpx.xsd\">\r\n";
constexpr std::string_view kTail = "</gpx>\r\n";

char* WriteText(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// ' lat="35.65238000" lon="139.75235000"': decimal degrees with exactly 8 decimals and a period.
// GPX wants -180 <= lon < 180: 180 degrees east, the largest longitude a record holds, is written
// as its other name, 180 degrees west.
constexpr std::size_t kMaxLatLon = 2 * kMaxNumberText + 16;

char* WriteLatLon(char* out, double lat, double lon)
{
    out = WriteText(out, " lat=\"");
    out = WriteFixed(out, lat, 18, 8);
    out = WriteText(out, "\" lon=\"");
    out = WriteFixed(out, lon == 180.0 ? -180.0 : lon, 18, 8);
    *out++ = '"';
    return out;
}

// "    <trkpt lat=".." lon=".."><time>..</time></trkpt>" and CR LF.
constexpr std::size_t kMaxTrackPoint = kMaxLatLon + TUtcTimeText::kMaxText + 48;

// What a track point's line is made from, held until the waypoints are written; or, with a
// latitude that is not a number, where the track starts again: Lon is then kNewSegment or kNewLog.
struct TTrackPoint
{
    double Lat;
    double Lon;
    double UtcDateTime;
};

constexpr double kNewSegment = 0.0;
constexpr double kNewLog = 1.0;
constexpr double kMark = std::numeric_limits<double>::quiet_NaN();

constexpr std::string_view kNextSegment = "  </trkseg>\r\n"
                                          "  <trkseg>\r\n";
constexpr std::string_view kTrackEnd = "  </trkseg>\r\n"
                                       "</trk>\r\n";

class TGpxWriter final : public TTrackWriter
{
public:
    TGpxWriter(TOutputFile& output, TGpxOptions options)
        : output_(output)
        , options_(std::move(options))
        , spacing_(options_.Waypoints.IntervalMin)
        , trackPoints_(output.Folder())
    {
    }

    // The document's head waits for the first kept fix, whose time the metadata carries.
    void Begin(const TGPSRec& first, double, const TPlanePoint&) override
    {
        trackNames_.push_back(NameOf(first));
    }

    // The next log's track waits with the others; its waypoints start anew.
    void NextLog(const TGPSRec& first, double, const TPlanePoint&) override
    {
        trackNames_.push_back(NameOf(first));
        Mark(kNewLog);
        spacing_ = TWaypointSpacing(options_.Waypoints.IntervalMin);
    }

    // The schema puts the waypoints before the track: waypoints go to the output as they fall,
    // the track points are held (beyond a bound in a scratch file) and written at the end.
    void Fix(const TTrackFix& fix) override
    {
        if (fix.InRoute) {
            if (fix.StartsSegment) [[unlikely]]
                Mark(kNewSegment);
            trackPoints_.Push({ fix.Rec.Lat, fix.Rec.Lon, fix.UtcDateTime });
        }
        const bool waypoint = options_.Waypoints.On && spacing_.Due(fix.Rec.DateTime);
        if (headWritten_ && !waypoint)
            return;
        char time[TUtcTimeText::kMaxText];
        const std::string_view timeText(
            time, static_cast<std::size_t>(waypointTimes_.Write(time, fix.UtcDateTime) - time));
        if (!headWritten_)
            WriteHead(timeText);
        if (waypoint)
            WriteWaypoint(fix, timeText);
    }

    void End(double, const TTrackCounts&) override
    {
        if (!headWritten_)
            WriteHead({});
        WriteTrackStart(trackNames_.front());
        if (marks_ != 0)
            WriteTrackPoints<true>();
        else if (options_.Threads > 1)
            WriteTrackPointsInParts();
        else
            WriteTrackPoints<false>();
        output_.Write(kTrackEnd);
        output_.Write(kTail);
    }

private:
    // "YY/MM/DD, HH:NN" of the first record, escaped: the name of a log's track.
    std::string NameOf(const TGPSRec& first) const
    {
        return XmlEscaped(FormatDateTime("YY/MM/DD, HH:NN", first.DateTime, options_.Separators));
    }

    // Every held track point; with marks, the new segments and tracks among them too.
    template <bool marks> void WriteTrackPoints()
    {
        std::size_t log = 0;
        bool segmentEmpty = true; // a segment starts again only after a point of its own
        TUtcTimeText times;
        trackPoints_.ForEach([&](const TTrackPoint& point) {
            if constexpr (marks) {
                if (std::isnan(point.Lat)) {
                    if (point.Lon == kNewLog) {
                        output_.Write(kTrackEnd);
                        WriteTrackStart(trackNames_[++log]);
                    } else if (!segmentEmpty) {
                        output_.Write(kNextSegment);
                    }
                    segmentEmpty = true;
                    return;
                }
                segmentEmpty = false;
            }
            char* const line = output_.Reserve(kMaxTrackPoint);
            output_.Advance(static_cast<std::size_t>(WriteTrackPoint(line, point, times) - line));
        });
    }

    static char* WriteTrackPoint(char* out, const TTrackPoint& point, TUtcTimeText& times)
    {
        out = WriteText(out, "    <trkpt");
        out = WriteLatLon(out, point.Lat, point.Lon);
        out = WriteText(out, "><time>");
        out = times.Write(out, point.UtcDateTime);
        return WriteText(out, "</time></trkpt>\r\n");
    }

    // The held track points of one track without segments, formatted in parts on several
    // threads and written in order.
    void WriteTrackPointsInParts()
    {
        TTextInParts parts(output_, options_.Threads, options_.PartPoints);
        trackPoints_.ForEachBlock([&](std::span<const TTrackPoint> points) {
            parts.Write(points, kMaxTrackPoint,
                [](char* out, std::span<const TTrackPoint> part, std::size_t) {
                    TUtcTimeText times;
                    for (const TTrackPoint& point : part)
                        out = WriteTrackPoint(out, point, times);
                    return out;
                });
        });
    }

    void Mark(double kind)
    {
        trackPoints_.Push({ kMark, kind, 0.0 });
        ++marks_;
    }

    void WriteTrackStart(std::string_view name)
    {
        output_.Write("<trk>\r\n  <name>");
        output_.Write(name);
        output_.Write("</name>\r\n  <trkseg>\r\n");
    }

    // The head, with the metadata's time when there is a kept fix.
    void WriteHead(std::string_view time)
    {
        output_.Write(kHead);
        if (!time.empty()) {
            output_.Write("<metadata>\r\n  <time>");
            output_.Write(time);
            output_.Write("</time>\r\n</metadata>\r\n");
        }
        headWritten_ = true;
    }

    void WriteWaypoint(const TTrackFix& fix, std::string_view time)
    {
        const TWaypointTexts texts
            = WaypointTexts(fix.Rec, fix.Kept, fix.TotalMetres, options_.Separators);
        char* out = output_.Reserve(kMaxLatLon + 8);
        char* p = WriteText(out, "<wpt");
        p = WriteLatLon(p, fix.Rec.Lat, fix.Rec.Lon);
        p = WriteText(p, ">\r\n");
        output_.Advance(static_cast<std::size_t>(p - out));
        output_.Write("  <time>");
        output_.Write(time);
        output_.Write("</time>\r\n  <name>");
        output_.Write(XmlEscaped(texts.Name));
        // The KML placemark's table as one line, its rows separated by ", ".
        output_.Write("</name>\r\n  <desc>");
        output_.Write(XmlEscaped(texts.DateDistance + ", " + texts.Speed + ", " + texts.Heading));
        output_.Write("</desc>\r\n</wpt>\r\n");
    }

    TOutputFile& output_;
    const TGpxOptions options_;
    TWaypointSpacing spacing_;
    TUtcTimeText waypointTimes_;
    TRecordSpool<TTrackPoint> trackPoints_;
    std::vector<std::string> trackNames_; // escaped, one a log
    std::uint64_t marks_ = 0; // new segments and tracks among the track points
    bool headWritten_ = false;
};

} // namespace

std::unique_ptr<TTrackWriter> MakeGpx(TOutputFile& output, TGpxOptions options)
{
    return std::make_unique<TGpxWriter>(output, std::move(options));
}

} // namespace ostrel
