#include "writers/kml_writer.h"

#include "core/errors.h"
#include "core/held.h"
#include "geo/kinematics.h"
#include "text/date_text.h"
#include "text/number_text.h"
#include "writers/waypoints.h"
#include "writers/xml_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>

namespace ostrel {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// KML 2.1: the document up to its name (items 1 to 10; the name follows, then the styles).
constexpr std::string_view kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                   "<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n"
                                   "<Document>\r\n"
                                   "<Style id=\"roadStyle\">\r\n"
                                   "<LineStyle>\r\n"
                                   "<color>64eeee17</color>\r\n"
                                   "<width>6</width>\r\n"
                                   "</LineStyle>\r\n"
                                   "</Style>\r\n"
                                   "<description>Route</description>\r\n";

// KML 2.2 (OGC) wants a feature's name and description before its styles: the document's name
// goes between kHead22 and kRoadStyle22.
constexpr std::string_view kHead22 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                     "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                                     "<Document>\r\n";
constexpr std::string_view kRoadStyle22 = "<description>Route</description>\r\n"
                                          "<Style id=\"roadStyle\">\r\n"
                                          "<LineStyle>\r\n"
                                          "<color>64eeee17</color>\r\n"
                                          "<width>6</width>\r\n"
                                          "</LineStyle>\r\n"
                                          "</Style>\r\n";

constexpr std::string_view kRouteStart = "<Placemark>\r\n"
                                         "<name>Route</name>\r\n"
                                         "<styleUrl>#roadStyle</styleUrl>\r\n"
                                         "<MultiGeometry>\r\n"
                                         "<LineString>\r\n"
                                         "<coordinates>\r\n";

// Where the route starts again: its line so far ends, and the next line of the placemark begins.
constexpr std::string_view kNextLine = "</coordinates>\r\n"
                                       "</LineString>\r\n"
                                       "<LineString>\r\n"
                                       "<coordinates>\r\n";

constexpr std::string_view kRouteEnd = "</coordinates>\r\n"
                                       "</LineString>\r\n"
                                       "</MultiGeometry>\r\n"
                                       "</Placemark>\r\n";

// The route as a track of times (KML 2.2 with Google's extension).
constexpr std::string_view kHeadTrack = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                        "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
                                        "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\r\n"
                                        "<Document>\r\n";
constexpr std::string_view kTrackRouteStart = "<Placemark>\r\n"
                                              "<name>Route</name>\r\n"
                                              "<styleUrl>#roadStyle</styleUrl>\r\n";

constexpr std::string_view kFolderStart = "<Folder><name>waypoints</name>\r\n";
constexpr std::string_view kFolderEnd = "</Folder>\r\n";
constexpr std::string_view kTail = "</Document>\r\n</kml>\r\n";

// Template lines replaced by the colour element (counted from 0).
constexpr std::size_t kColorLines[] = { 2, 18 };

// The route's coordinate line: longitude with at most 8 significant digits and latitude with at
// most 7, both with 5 decimals and a period, whatever the regional settings.
constexpr std::size_t kMaxCoordinateLine = 2 * kMaxNumberText + 8;

char* WriteCoordinateLine(char* out, const TGPSRec& rec)
{
    out = WriteFixed(out, rec.Lon, 8, 5);
    *out++ = ',';
    out = WriteFixed(out, rec.Lat, 7, 5);
    std::memcpy(out, ",0\r\n", 4);
    return out + 4;
}

class TCoordinateLineText final : public TRecordText
{
public:
    std::size_t MaxSize() const override { return kMaxCoordinateLine; }
    char* Write(char* out, const TRecordAhead& record) const override
    {
        return WriteCoordinateLine(out, record.Rec);
    }
};

// The lines of the waypoint placemark of one kept fix: 18 in KML 2.1, 17 in KML 2.2, whose Point
// has no tessellate and wants extrude before altitudeMode. The texts, made with the regional
// separators, are escaped: the name as XML, the table's cells as well, since Google Earth reads
// the CDATA section as HTML (and an escaped text cannot end the section early).
void AppendPlacemark(std::string& lines, const TGPSRec& rec, const TKeptFix& fix,
    double totalMetres, const TSeparators& separators, bool kml22)
{
    const TWaypointTexts texts = WaypointTexts(rec, fix, totalMetres, separators);
    lines += "<Placemark>\r\n  <name>";
    AppendXmlEscaped(lines, texts.Name);
    lines += "</name>\r\n"
             "  <Snippet/>\r\n"
             "  <description><![CDATA[\r\n"
             "    <table>\r\n"
             "    <tr><td>";
    AppendXmlEscaped(lines, texts.DateDistance);
    lines += "</td></tr>\r\n    <tr><td>";
    AppendXmlEscaped(lines, texts.Speed);
    lines += "</td></tr>\r\n    <tr><td>";
    AppendXmlEscaped(lines, texts.Heading);
    lines += "</td></tr>\r\n"
             "    </table>\r\n"
             "  ]]></description>\r\n"
             "  <styleUrl>#msn_wht-blank</styleUrl>\r\n"
             "  <Point>\r\n";
    lines += kml22 ? "    <extrude>0</extrude>\r\n"
                     "    <altitudeMode>clampToGround</altitudeMode>\r\n"
                   : "    <altitudeMode>clampToGround</altitudeMode>\r\n"
                     "    <extrude>0</extrude>\r\n"
                     "    <tessellate>1</tessellate>\r\n";
    lines += "    <coordinates>";
    lines += FormatGeneral(rec.Lon);
    lines += ',';
    lines += FormatGeneral(rec.Lat);
    lines += ",0</coordinates>\r\n"
             "  </Point>\r\n"
             "</Placemark>\r\n";
}

} // namespace

std::string FormatCoordinateLine(const TGPSRec& rec)
{
    char text[kMaxCoordinateLine];
    return { text, WriteCoordinateLine(text, rec) };
}

std::string ColorElement(int opacityPercent, std::uint32_t color)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int alpha
        = std::clamp(opacityPercent, kMinOpacityPercent, kMaxOpacityPercent) * 255 / 100;
    // 0x00BBGGRR is already KML's bbggrr order once written as six digits.
    const std::uint32_t value = (static_cast<std::uint32_t>(alpha) << 24) | (color & 0xFFFFFF);
    std::string element = "<color>";
    for (int shift = 28; shift >= 0; shift -= 4)
        element += kHex[(value >> shift) & 0xF];
    element += "</color>";
    return element;
}

namespace {

// A point of a timed track, held until its segment ends: the track wants all its times before
// all its coordinates.
struct TTimedPoint
{
    double Utc; // days
    double Lat, Lon; // degrees
};

class TKmlWriter final : public TTrackWriter
{
public:
    TKmlWriter(TOutputFile& output, TKmlOptions options)
        : output_(output)
        , options_(std::move(options))
        , kml22_(options_.Version == 22 || options_.TimedTrack)
        , spacing_(options_.Waypoints.IntervalMin)
        , waypoints_(output.Folder())
        , trackPoints_(output.Folder())
    {
    }

    void Begin(const TGPSRec& first, double, const TPlanePoint&) override
    {
        output_.Write(options_.TimedTrack ? kHeadTrack : kml22_ ? kHead22 : kHead);
        output_.Write("<name>");
        output_.Write(NameOf(first));
        output_.Write("</name>\r\n");
        if (kml22_)
            output_.Write(kRoadStyle22);
        if (options_.Waypoints.On) {
            const std::string color = ColorElement(options_.OpacityPercent, options_.Color);
            for (std::size_t i = 0; i < options_.StyleTemplate.size(); ++i) {
                const bool colorLine = i == kColorLines[0] || i == kColorLines[1];
                output_.Write(colorLine ? std::string_view(color)
                                        : std::string_view(options_.StyleTemplate[i]));
                output_.Write(kCrLf);
            }
            output_.Write(kCrLf);
        }
        BeginLog(first);
    }

    void NextLog(const TGPSRec& first, double, const TPlanePoint&) override
    {
        EndLog();
        waypoints_ = THeldText(output_.Folder());
        spacing_ = TWaypointSpacing(options_.Waypoints.IntervalMin);
        BeginLog(first);
    }

    // Placemarks are found during the route's pass but written after it: only their lines are
    // held, the route goes to the file as it is read.
    void Fix(const TTrackFix& fix) override
    {
        if (fix.InRoute) {
            if (options_.TimedTrack) [[unlikely]] {
                if (fix.StartsSegment && !trackPoints_.Empty())
                    WriteTrack(true);
                trackPoints_.Push({ fix.UtcDateTime, fix.Rec.Lat, fix.Rec.Lon });
            } else {
                if (fix.StartsSegment) [[unlikely]]
                    StartLine();
                if (fix.Text.empty())
                    WriteRoutePoint(fix.Rec);
                else
                    output_.Write(fix.Text);
            }
        }
        if (options_.Waypoints.On && spacing_.Due(fix.Rec.DateTime)) {
            AppendPlacemark(
                waypoints_.Text(), fix.Rec, fix.Kept, fix.TotalMetres, options_.Separators, kml22_);
            waypoints_.Bound();
        }
    }

    void End(double, const TTrackCounts&) override
    {
        EndLog();
        output_.Write(kTail);
    }

    // The route's coordinate lines, made ahead (the timed track formats its own).
    const TRecordText* RecordText() const override
    {
        return options_.TimedTrack ? nullptr : &coordinateLine_;
    }

private:
    // "YY/MM/DD, HH:NN" of the first record, escaped: the document's name, and a log's folder's.
    std::string NameOf(const TGPSRec& first) const
    {
        return XmlEscaped(FormatDateTime("YY/MM/DD, HH:NN", first.DateTime, options_.Separators));
    }

    void BeginLog(const TGPSRec& first)
    {
        if (options_.FolderPerLog) {
            output_.Write("<Folder><name>");
            output_.Write(NameOf(first));
            output_.Write("</name>\r\n");
        }
        output_.Write(options_.TimedTrack ? kTrackRouteStart : kRouteStart);
        lineStart_ = output_.Size();
        multiTrack_ = false;
        waypoints_.Text() = kFolderStart;
    }

    // The held segment as a gx:Track: its times, then its coordinates (longitude, latitude and
    // height, as the route's lines give them). With more to come, the route is a gx:MultiTrack.
    void WriteTrack(bool more)
    {
        if (more && !multiTrack_) {
            output_.Write("<gx:MultiTrack>\r\n");
            multiTrack_ = true;
        }
        output_.Write("<gx:Track>\r\n");
        TUtcTimeText times;
        trackPoints_.ForEach([&](const TTimedPoint& point) {
            char* const start = output_.Reserve(TUtcTimeText::kMaxText + 16);
            std::memcpy(start, "<when>", 6);
            char* out = times.Write(start + 6, point.Utc);
            std::memcpy(out, "</when>\r\n", 9);
            output_.Advance(static_cast<std::size_t>(out + 9 - start));
        });
        trackPoints_.ForEach([&](const TTimedPoint& point) {
            char* const start = output_.Reserve(kMaxCoordinateLine + 24);
            char* out = start;
            std::memcpy(out, "<gx:coord>", 10);
            out = WriteFixed(out + 10, point.Lon, 8, 5);
            *out++ = ' ';
            out = WriteFixed(out, point.Lat, 7, 5);
            std::memcpy(out, " 0</gx:coord>\r\n", 15);
            output_.Advance(static_cast<std::size_t>(out + 15 - start));
        });
        output_.Write("</gx:Track>\r\n");
        trackPoints_.Clear();
    }

    void WriteRoutePoint(const TGPSRec& rec)
    {
        char* out = output_.Reserve(kMaxCoordinateLine);
        output_.Advance(static_cast<std::size_t>(WriteCoordinateLine(out, rec) - out));
    }

    // The route starts again: a new line, unless the line has no coordinates yet.
    void StartLine()
    {
        if (output_.Size() == lineStart_)
            return;
        output_.Write(kNextLine);
        lineStart_ = output_.Size();
    }

    void EndLog()
    {
        if (options_.TimedTrack) {
            if (!trackPoints_.Empty() || !multiTrack_)
                WriteTrack(false);
            if (multiTrack_)
                output_.Write("</gx:MultiTrack>\r\n");
            output_.Write("</Placemark>\r\n");
        } else {
            output_.Write(kRouteEnd);
        }
        if (options_.Waypoints.On) {
            waypoints_.Text() += kFolderEnd;
            waypoints_.WriteTo(output_);
        }
        if (options_.FolderPerLog)
            output_.Write(kFolderEnd);
    }

    TOutputFile& output_;
    TCoordinateLineText coordinateLine_;
    const TKmlOptions options_;
    const bool kml22_; // the OGC KML 2.2 namespace and element order, else KML 2.1
    TWaypointSpacing spacing_;
    THeldText waypoints_;
    std::uint64_t lineStart_ = 0; // where the coordinates of the route's line begin (bytes)
    TRecordSpool<TTimedPoint> trackPoints_; // the timed track's segment under way
    bool multiTrack_ = false; // the timed route has more than one segment
};

} // namespace

std::unique_ptr<TTrackWriter> MakeKml(TOutputFile& output, TKmlOptions options)
{
    if (options.Version != 21 && options.Version != 22)
        throw std::invalid_argument("KmlVersion must be 21 or 22");
    return std::make_unique<TKmlWriter>(output, std::move(options));
}

} // namespace ostrel
