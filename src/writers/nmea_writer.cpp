#include "writers/nmea_writer.h"

#include "geo/kinematics.h"
#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ostrel {

namespace {

constexpr std::string_view kHeader = "@Sonygps/ver1.0/wgs-84\r\n";
constexpr double kKmhPerKnot = 1.852; // one knot is 1852 m/h exactly
constexpr char kHex[] = "0123456789ABCDEF";

char* WriteText(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// Fixed text with `decimals` decimals and at most 8 significant digits, "0" put in front until
// it is `width` characters long. Needs room for kMaxNumberText characters at out.
char* WritePadded(char* out, double value, int decimals, std::size_t width)
{
    char* end = WriteFixed(out, value, 8, decimals);
    const auto length = static_cast<std::size_t>(end - out);
    if (length >= width)
        return end;
    // Short texts (every width here is at most 8) move right as one word; the bytes moved
    // behind the text lie within the room and are written over next.
    const std::size_t pad = width - length;
    if (width <= 8) {
        char moved[8];
        std::memcpy(moved, out, 8);
        std::memcpy(out + pad, moved, 8);
    } else {
        std::memmove(out + pad, out, length);
    }
    std::memset(out, '0', pad);
    return out + width;
}

// Degrees truncated toward zero with at least `degreeDigits` digits, then the minutes as
// mm.mmmm.
char* WriteDegMin(char* out, double degrees, std::size_t degreeDigits)
{
    const double whole = std::trunc(degrees);
    if (whole >= 0 && whole < 1000 && degreeDigits >= 2 && degreeDigits <= 3) {
        // Every latitude and longitude: two or three digits, written without a call.
        const auto d = static_cast<unsigned>(whole);
        if (degreeDigits == 3 || d >= 100)
            *out++ = static_cast<char>('0' + d / 100);
        *out++ = static_cast<char>('0' + d / 10 % 10);
        *out++ = static_cast<char>('0' + d % 10);
        return WritePadded(out, (degrees - whole) * 60, 4, 7);
    }
    char text[32];
    char* end = text;
    if (std::fabs(whole) < 1e18) {
        end = std::to_chars(text, text + sizeof text, static_cast<long long>(whole)).ptr;
    } else {
        end = WriteFixed(text, whole, 18, 0);
    }
    std::size_t length = static_cast<std::size_t>(end - text);
    for (std::size_t w = degreeDigits; length < w; --w)
        *out++ = '0';
    out = WriteText(out, { text, length });
    return WritePadded(out, (degrees - whole) * 60, 4, 7);
}

// The XOR of the bytes in [p, end), eight at a time: the XOR of the words, folded to one byte,
// is the XOR of all their bytes in any byte order.
unsigned XorOfBytes(const char* p, const char* end)
{
    std::uint64_t words = 0;
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        words ^= word;
    }
    words ^= words >> 32;
    words ^= words >> 16;
    words ^= words >> 8;
    unsigned sum = static_cast<unsigned>(words & 0xFF);
    for (; p < end; ++p)
        sum ^= static_cast<unsigned char>(*p);
    return sum;
}

// A text of the log; the fields of record lines have fixed lengths, copied without a call.
template <std::size_t usual> char* WriteLogText(char* out, std::string_view text)
{
    if (text.size() == usual) {
        std::memcpy(out, text.data(), usual);
        return out + usual;
    }
    return WriteText(out, text);
}

// "$" + body + "*" + checksum + CR LF, the body being what `fill` writes.
template <typename Fill> char* WriteSentence(char* out, Fill fill)
{
    *out++ = '$';
    char* body = out;
    out = fill(out);
    const unsigned sum = XorOfBytes(body, out);
    *out++ = '*';
    *out++ = kHex[(sum >> 4) & 0xF];
    *out++ = kHex[sum & 0xF];
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

// The GGA and RMC sentences of one kept fix.
char* WriteFix(char* out, const TGPSRec& rec, const TKeptFix& fix)
{
    char position[2 * kMaxNumberText + 48];
    char* end = WriteDegMin(position, rec.Lat, 2);
    end = WriteText(end, ",N,");
    end = WriteDegMin(end, rec.Lon, 3);
    end = WriteText(end, ",E,");
    const std::string_view latLon(position, static_cast<std::size_t>(end - position));

    out = WriteSentence(out, [&](char* p) {
        p = WriteText(p, "GPGGA,");
        p = WriteLogText<6>(p, rec.TimeText);
        *p++ = ',';
        p = WriteText(p, latLon);
        return WriteText(p, "1,04,02.0,00034.0,M,033.9,M,,");
    });
    return WriteSentence(out, [&](char* p) {
        p = WriteText(p, "GPRMC,");
        p = WriteLogText<6>(p, rec.TimeText);
        *p++ = ',';
        p = WriteLogText<1>(p, rec.Status);
        *p++ = ',';
        p = WriteText(p, latLon);
        p = WritePadded(p, fix.SpeedKmh / kKmhPerKnot, 1, 5);
        *p++ = ',';
        p = WritePadded(p, fix.HeadingDeg, 1, 5);
        *p++ = ',';
        p = WriteLogText<6>(p, rec.DateText);
        return WriteText(p, ",,,A");
    });
}

// Room for the two sentences of one fix: fixed fields, the log's texts and six numbers.
constexpr std::size_t kMaxFixText = 160 + 6 * (kMaxNumberText + 24) + 2 * (6 + 6 + 1) + 64;

// Both sentences of a fix kept with the step from the line before; nothing without a step.
class TNmeaRecordText final : public TRecordText
{
public:
    std::size_t MaxSize() const override { return kMaxFixText; }
    char* Write(char* out, const TRecordAhead& record) const override
    {
        return record.Step ? WriteFix(out, record.Rec, *record.Step) : out;
    }
};

class TNmeaWriter final : public TTrackWriter
{
public:
    explicit TNmeaWriter(TOutputFile& output)
        : output_(output)
    {
    }

    void Begin(const TGPSRec&, double, const TPlanePoint&) override { output_.Write(kHeader); }
    void NextLog(const TGPSRec&, double, const TPlanePoint&) override { }

    void Fix(const TTrackFix& fix) override
    {
        if (!fix.InRoute)
            return;
        if (fix.TextMeasured) {
            output_.Write(fix.Text);
            return;
        }
        char* const out = output_.Reserve(kMaxFixText);
        output_.Advance(static_cast<std::size_t>(WriteFix(out, fix.Rec, fix.Kept) - out));
    }

    void End(double, const TTrackCounts&) override { }

    const TRecordText* RecordText() const override { return &text_; }

private:
    TOutputFile& output_;
    TNmeaRecordText text_;
};

} // namespace

std::unique_ptr<TTrackWriter> MakeNmea(TOutputFile& output, TNmeaOptions)
{
    return std::make_unique<TNmeaWriter>(output);
}

std::string FormatFixSentences(const TGPSRec& rec, const TKeptFix& fix)
{
    char text[kMaxFixText];
    return { text, WriteFix(text, rec, fix) };
}

std::string NmeaChecksum(std::string_view body)
{
    const unsigned sum = XorOfBytes(body.data(), body.data() + body.size());
    return { kHex[(sum >> 4) & 0xF], kHex[sum & 0xF] };
}

std::string FormatLatitude(double degrees)
{
    char text[kMaxNumberText * 2 + 32];
    return { text, WriteDegMin(text, degrees, 2) };
}

std::string FormatLongitude(double degrees)
{
    char text[kMaxNumberText * 2 + 32];
    return { text, WriteDegMin(text, degrees, 3) };
}

std::string FormatSpeedKnots(double kmh)
{
    char text[kMaxNumberText + 8];
    return { text, WritePadded(text, kmh / kKmhPerKnot, 1, 5) };
}

std::string FormatCourse(double degrees)
{
    char text[kMaxNumberText + 8];
    return { text, WritePadded(text, degrees, 1, 5) };
}

} // namespace ostrel
