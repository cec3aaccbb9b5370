#include "writers/csv_writer.h"

#include "core/held.h"
#include "text/date_text.h"
#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

namespace ostrel {

namespace {

constexpr std::string_view kHeader = "line,utc_time,local_time,latitude,longitude,fate,speed_kmh,"
                                     "distance_m,length_km\r\n";

char* WriteText(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

// "+09:00", "-03:30", "+00:00": the zone's offset as ISO 8601 writes it.
std::string OffsetText(const TTimeZone& zone)
{
    const int minutes = zone.Hours * 60 + zone.Minutes;
    const int magnitude = minutes < 0 ? -minutes : minutes;
    std::string text = minutes < 0 ? "-" : "+";
    const int hours = magnitude / 60;
    text += static_cast<char>('0' + hours / 10);
    text += static_cast<char>('0' + hours % 10);
    text += ':';
    text += static_cast<char>('0' + magnitude % 60 / 10);
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

// One row's values.
struct TRow
{
    std::uint64_t Line; // 0: not known
    double Utc; // day counts
    double Local;
    double Lat, Lon;
    std::string_view Fate;
    std::optional<double> SpeedKmh;
    std::optional<double> DistanceM;
    double LengthM;
};

constexpr std::size_t kMaxRow = 2 * TUtcTimeText::kMaxText + 8 * kMaxNumberText + 64;

// Empty where nothing was measured, or what was is not a number.
char* WriteMeasure(char* out, const std::optional<double>& value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return out;
    return WriteFixed(out, *value, 18, decimals);
}

// The times' texts remember their day: one pair a thread.
struct TRowTimes
{
    TUtcTimeText Utc;
    TUtcTimeText Local; // the local day counts' fields, as if UTC
};

// A row up to its length, which is the running sum of the fixes before: each cell with the comma
// after it.
char* WriteRowHead(char* out, const TRow& row, TRowTimes& times, std::string_view offset)
{
    if (row.Line > 0)
        out = std::to_chars(out, out + 20, row.Line).ptr;
    *out++ = ',';
    out = times.Utc.Write(out, row.Utc);
    *out++ = ',';
    // The local time's fields, with the zone's offset in place of "Z".
    out = WriteText(times.Local.Write(out, row.Local) - 1, offset);
    *out++ = ',';
    out = WriteFixed(out, row.Lat, 18, 8);
    *out++ = ',';
    out = WriteFixed(out, row.Lon, 18, 8);
    *out++ = ',';
    out = WriteText(out, row.Fate);
    *out++ = ',';
    out = WriteMeasure(out, row.SpeedKmh, 3);
    *out++ = ',';
    out = WriteMeasure(out, row.DistanceM, 3);
    *out++ = ',';
    return out;
}

// The length so far ends a row.
char* WriteLengthCell(char* out, double lengthM)
{
    out = WriteFixed(out, lengthM / 1000, 18, 6);
    return WriteText(out, "\r\n");
}

// The row of a fix kept with the step from the line before, up to its length; nothing without
// a step.
class TCsvRecordText final : public TRecordText
{
public:
    explicit TCsvRecordText(std::string_view offset)
        : offset_(offset)
    {
    }
    std::size_t MaxSize() const override { return kMaxRow; }
    char* Write(char* out, const TRecordAhead& record) const override
    {
        if (!record.Step)
            return out;
        thread_local TRowTimes times;
        return WriteRowHead(out,
            { record.Line, record.UtcDateTime, record.Rec.DateTime, record.Rec.Lat, record.Rec.Lon,
                "kept", record.Step->SpeedKmh, record.Step->DistanceM, 0.0 },
            times, offset_);
    }

private:
    std::string_view offset_;
};

class TCsvWriter final : public TTrackWriter
{
public:
    TCsvWriter(TOutputFile& output, TCsvOptions options)
        : output_(output)
        , offset_(OffsetText(options.Zone))
    {
    }

    // The first record's row waits until its fate is known: the robust filter may drop it as an
    // outlier once the fixes after it tell, and a time window drops it at once. Until then the
    // rows after it are held (beyond a bound in a scratch file), so that its row comes first.
    void Begin(const TGPSRec& first, double utcDateTime, const TPlanePoint&) override
    {
        output_.Write(kHeader);
        first_ = { 0, utcDateTime, first.DateTime, first.Lat, first.Lon, "first", std::nullopt,
            std::nullopt, 0.0 };
        held_.emplace(output_.Folder());
    }

    void FirstRecordAt(std::uint64_t line) override { first_.Line = line; }

    // The logs of a merge follow one another in one table, each log's lines counted from its own
    // first line; the next log's first record waits for its fate as the first log's did.
    void NextLog(const TGPSRec& first, double utcDateTime, const TPlanePoint&) override
    {
        if (held_)
            Release(first_);
        first_ = { 0, utcDateTime, first.DateTime, first.Lat, first.Lon, "first", std::nullopt,
            std::nullopt, 0.0 };
        held_.emplace(output_.Folder());
    }

    void Fix(const TTrackFix& fix) override
    {
        if (held_)
            Release(first_); // a fix is kept: the first record stays the track's start
        lengthM_ = fix.TotalMetres;
        const TRow row { fix.Line, fix.UtcDateTime, fix.Rec.DateTime, fix.Rec.Lat, fix.Rec.Lon,
            fix.InRoute ? "kept" : "simplified", fix.Kept.SpeedKmh, fix.Kept.DistanceM,
            fix.TotalMetres };
        if (!fix.TextMeasured) {
            Write(row);
            return;
        }
        // Only a track without cleaning brings texts: every fix is in the route.
        char* const out = output_.Reserve(kMaxRow);
        char* const end = WriteText(out, fix.Text);
        output_.Advance(static_cast<std::size_t>(WriteLengthCell(end, row.LengthM) - out));
    }

    void Dropped(const TTrackDrop& drop) override
    {
        TRow row { drop.Line, drop.UtcDateTime, drop.Rec.DateTime, drop.Rec.Lat, drop.Rec.Lon,
            DropCauseWords(drop.Cause), drop.SpeedKmh, drop.DistanceM, lengthM_ };
        if (drop.FirstRecord && held_)
            Release(row);
        else
            Write(row);
    }

    void End(double, const TTrackCounts&) override
    {
        if (held_)
            Release(first_);
    }

    const TRecordText* RecordText() const override { return &recordText_; }

private:
    // The first record's row, then the rows held after it.
    void Release(const TRow& first)
    {
        std::optional<THeldText> held = std::move(held_);
        held_.reset();
        Write(first);
        held->WriteTo(output_);
    }

    void Write(const TRow& row)
    {
        if (held_) {
            char text[kMaxRow];
            held_->Text().append(text, WriteRow(text, row));
            held_->Bound();
            return;
        }
        char* const out = output_.Reserve(kMaxRow);
        output_.Advance(static_cast<std::size_t>(WriteRow(out, row) - out));
    }

    char* WriteRow(char* out, const TRow& row)
    {
        return WriteLengthCell(WriteRowHead(out, row, times_, offset_), row.LengthM);
    }

    TOutputFile& output_;
    const std::string offset_; // "+09:00"
    TRowTimes times_;
    TCsvRecordText recordText_ { offset_ };
    TRow first_ {};
    std::optional<THeldText> held_; // while the first record's fate is open
    double lengthM_ = 0.0; // the length up to the last kept fix (metres)
};

} // namespace

std::unique_ptr<TTrackWriter> MakeCsv(TOutputFile& output, TCsvOptions options)
{
    return std::make_unique<TCsvWriter>(output, options);
}

} // namespace ostrel
