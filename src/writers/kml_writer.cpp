#include "writers/kml_writer.h"

#include "core/errors.h"
#include "geo/kinematics.h"
#include "writers/date_text.h"
#include "writers/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace ostrel {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The document up to the route's name (items 1 to 10; the name follows).
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

constexpr std::string_view kRouteStart = "<Placemark>\r\n"
                                         "<name>Route</name>\r\n"
                                         "<styleUrl>#roadStyle</styleUrl>\r\n"
                                         "<MultiGeometry>\r\n"
                                         "<LineString>\r\n"
                                         "<coordinates>\r\n";

constexpr std::string_view kRouteEnd = "</coordinates>\r\n"
                                       "</LineString>\r\n"
                                       "</MultiGeometry>\r\n"
                                       "</Placemark>\r\n";

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

// The 18 lines of the waypoint placemark of one kept fix.
void AppendPlacemark(std::string& lines, const TGPSRec& rec, const TKeptFix& fix,
    double totalMetres, const TSeparators& separators)
{
    const std::string distance = FormatFixed(totalMetres / 1000, 5, 1, separators.Decimal) + "km)";
    lines += "<Placemark>\r\n  <name>";
    lines += FormatDateTime("HH:NN", rec.DateTime, separators);
    lines += " (";
    lines += distance;
    lines += "</name>\r\n"
             "  <Snippet/>\r\n"
             "  <description><![CDATA[\r\n"
             "    <table>\r\n"
             "    <tr><td>";
    lines += FormatDateTime("YY/MM/DD HH:NN:SS", rec.DateTime, separators);
    lines += " (";
    lines += distance;
    lines += "</td></tr>\r\n    <tr><td>";
    lines += FormatFixed(fix.SpeedKmh, 5, 1, separators.Decimal);
    lines += "km/h</td></tr>\r\n    <tr><td>Heading ";
    lines += std::to_string(HeadingShown(fix.HeadingDeg));
    lines += "</td></tr>\r\n"
             "    </table>\r\n"
             "  ]]></description>\r\n"
             "  <styleUrl>#msn_wht-blank</styleUrl>\r\n"
             "  <Point>\r\n"
             "    <altitudeMode>clampToGround</altitudeMode>\r\n"
             "    <extrude>0</extrude>\r\n"
             "    <tessellate>1</tessellate>\r\n"
             "    <coordinates>";
    lines += FormatGeneral(rec.Lon);
    lines += ',';
    lines += FormatGeneral(rec.Lat);
    lines += ",0</coordinates>\r\n"
             "  </Point>\r\n"
             "</Placemark>\r\n";
}

// The placemarks' lines, held until the route is written. Beyond kMaxHeldBytes they move on to
// a scratch file beside the output (on the output's own disk), so that a log with millions of
// placemarks (fixes days apart, or times running back and forth) needs no more memory than a
// day's log. Where no scratch file can be made they stay in memory.
class TPlacemarkLines
{
public:
    static constexpr std::size_t kMaxHeldBytes = 1 << 20;

    explicit TPlacemarkLines(std::filesystem::path folder)
        : folder_(std::move(folder))
    {
    }

    std::string& Lines() { return held_; }

    // Called after each placemark.
    void Bound()
    {
        if (held_.size() < kMaxHeldBytes || noScratch_)
            return;
        if (!scratch_) {
            try {
                scratch_ = std::make_unique<TScratchFile>(folder_);
            } catch (const FileError&) {
                noScratch_ = true;
                return;
            }
        }
        scratch_->Write(held_);
        held_.clear();
    }

    void WriteTo(TOutputFile& output)
    {
        if (scratch_)
            scratch_->ReadAll([&](std::string_view block) { output.Write(block); });
        output.Write(held_);
    }

private:
    std::filesystem::path folder_;
    std::string held_;
    std::unique_ptr<TScratchFile> scratch_;
    bool noScratch_ = false;
};

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

int HeadingShown(double headingDeg)
{
    // Rounded to one decimal (halves away from zero) and then the fraction dropped.
    const std::string tenths = FormatFixed(headingDeg, 15, 1);
    return std::atoi(tenths.c_str());
}

namespace {

class TKmlWriter final : public TTrackSink
{
public:
    TKmlWriter(TOutputFile& output, const TConvertSettings& settings)
        : output_(output)
        , settings_(settings)
        , interval_(static_cast<double>(settings.WaypointIntervalMin) / 24 / 60)
        , waypoints_(output.Folder())
    {
    }

    void Begin(const TGPSRec& first, const TPlanePoint&) override
    {
        output_.Write(kHead);
        output_.Write("<name>");
        output_.Write(FormatDateTime("YY/MM/DD, HH:NN", first.DateTime, settings_.Separators));
        output_.Write("</name>\r\n");
        if (settings_.WayPoints) {
            const std::string color
                = ColorElement(settings_.OpacityPercent, settings_.WaypointColor);
            for (std::size_t i = 0; i < settings_.StyleTemplate.size(); ++i) {
                const bool colorLine = i == kColorLines[0] || i == kColorLines[1];
                output_.Write(colorLine ? std::string_view(color)
                                        : std::string_view(settings_.StyleTemplate[i]));
                output_.Write(kCrLf);
            }
            output_.Write(kCrLf);
        }
        output_.Write(kRouteStart);
        waypoints_.Lines() = kFolderStart;
    }

    // Placemarks are found during the route's pass but written after it: only their lines are
    // held, the route goes to the file as it is read.
    void Fix(const TTrackFix& fix) override
    {
        char* out = output_.Reserve(kMaxCoordinateLine);
        output_.Advance(static_cast<std::size_t>(WriteCoordinateLine(out, fix.Rec) - out));
        if (settings_.WayPoints && std::fabs(fix.Rec.DateTime - lastPlacemark_) >= interval_) {
            AppendPlacemark(
                waypoints_.Lines(), fix.Rec, fix.Kept, fix.TotalMetres, settings_.Separators);
            waypoints_.Bound();
            lastPlacemark_ = fix.Rec.DateTime;
        }
    }

    void End(double, const TTrackCounts&) override
    {
        output_.Write(kRouteEnd);
        if (settings_.WayPoints) {
            waypoints_.Lines() += kFolderEnd;
            waypoints_.WriteTo(output_);
        }
        output_.Write(kTail);
    }

private:
    TOutputFile& output_;
    const TConvertSettings& settings_;
    const double interval_; // least log time between placemarks (days)
    TPlacemarkLines waypoints_;
    double lastPlacemark_ = 0.0; // day 0, so the first kept fix always gets a placemark
};

} // namespace

std::unique_ptr<TTrackSink> MakeKml(TOutputFile& output, const TConvertSettings& settings)
{
    return std::make_unique<TKmlWriter>(output, settings);
}

} // namespace ostrel
