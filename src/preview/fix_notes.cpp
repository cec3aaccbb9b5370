#include "preview/fix_notes.h"

#include "geo/travel_modes.h"
#include "text/date_text.h"
#include "text/number_text.h"

#include <array>
#include <cmath>

namespace ostrel {

namespace {

// In Japanese; the English words are those of the CSV's fates (DropCauseWords).
constexpr std::array<std::string_view, kDropCauseCount> kJapaneseCauseWords = {
    "速すぎ",
    "時刻の重複",
    "跳び",
    "外れた開始",
    "静止",
    "時間外",
    "プライバシー",
};

bool Japanese(TLanguage language)
{
    return language == TLanguage::Japanese;
}

std::string Number(double value, int decimals)
{
    return FormatFixed(value, 15, decimals);
}

std::string Count(std::uint64_t n)
{
    return std::to_string(static_cast<unsigned long long>(n));
}

// "41 m", "1.25 km".
std::string Distance(double metres)
{
    return metres >= 1000 ? Number(metres / 1000, 2) + " km" : Number(metres, 0) + " m";
}

std::string Speed(double kmh)
{
    return Number(kmh, 1) + " km/h";
}

std::string Why(const TFixNote& note, const TNoteContext& context, TLanguage language)
{
    const bool ja = Japanese(language);
    const std::string limit = Speed(context.LimitKmh);
    if (note.Kind == TNoteKind::FirstRecord)
        return ja ? "ここから軌跡が始まる。" : "The track starts here.";
    if (note.Kind == TNoteKind::Kept) {
        if (std::isnan(note.SpeedKmh))
            return ja ? "採用。" : "Kept.";
        return ja ? "採用: 上限 " + limit + " 未満。" : "Kept: below the limit of " + limit + ".";
    }
    switch (note.Cause) {
    case TDropCause::TooFast:
        if (std::isnan(note.SpeedKmh))
            return ja ? "除外: 時刻が戻り、速度が求まらない。"
                      : "Dropped: its time goes back, so it has no speed.";
        return ja ? "除外: " + Speed(note.SpeedKmh) + " は上限 " + limit + " 以上。"
                  : "Dropped: " + Speed(note.SpeedKmh) + " reaches the limit of " + limit + ".";
    case TDropCause::RepeatedTime:
        return ja ? "除外: 直前の採用点と同じ時刻で、速度が求まらない。"
                  : "Dropped: the time of the fix kept before it, so it has no speed.";
    case TDropCause::Spike:
        return ja ? "除外: 続く点が裏付けない跳び。"
                  : "Dropped: a jump away that the fixes after it did not confirm.";
    case TDropCause::OutlierStart:
        return ja ? "除外: 続く点から離れた最初の記録。"
                  : "Dropped: the first record, far from the fixes that followed it.";
    case TDropCause::Standing:
        return ja ? "除外: 直前の採用点から最小移動 " + Count(context.MinMoveM) + " m 未満。"
                  : "Dropped: closer than the least move of " + Count(context.MinMoveM)
                + " m to the fix kept before it.";
    case TDropCause::OutsideTime:
        return ja ? "除外: 指定の期間外。" : "Dropped: outside the time asked for.";
    case TDropCause::Private:
        return ja ? "除外: 開始か終了から " + Count(context.PrivacyM) + " m 以内（プライバシー）。"
                  : "Left out: within " + Count(context.PrivacyM)
                + " m of the track's start or end (private).";
    }
    return {};
}

} // namespace

std::string_view CauseWords(TDropCause cause, TLanguage language)
{
    return Japanese(language) ? kJapaneseCauseWords[static_cast<std::size_t>(cause)]
                              : DropCauseWords(cause);
}

std::string LocalAndUtcText(double utcDateTime, double zoneShiftDays)
{
    TSeparators separators;
    separators.Date = "-";
    const double local = utcDateTime + zoneShiftDays;
    const bool sameDay = std::floor(local) == std::floor(utcDateTime);
    return FormatDateTime("YYYY/MM/DD HH:NN:SS", local, separators) + " ("
        + FormatDateTime(sameDay ? "HH:NN:SS" : "YYYY/MM/DD HH:NN:SS", utcDateTime, separators)
        + " UTC)";
}

std::string ExplainFix(const TFixNote& note, const TNoteContext& context, TLanguage language)
{
    const bool ja = Japanese(language);
    std::string text;
    if (note.Kind == TNoteKind::FirstRecord) {
        text = ja ? "最初の記録: 採用" : "The first record: kept";
    } else {
        const std::string what = note.Kind == TNoteKind::Kept
            ? (ja ? "採用" : "kept")
            : (ja ? "除外（" + std::string(CauseWords(note.Cause, language)) + "）"
                  : "dropped (" + std::string(CauseWords(note.Cause, language)) + ")");
        text = ja ? Count(note.Line) + " 行目: " + what : "Line " + Count(note.Line) + ": " + what;
    }
    text += "\n" + LocalAndUtcText(note.UtcDateTime, context.ZoneShiftDays);
    if (!std::isnan(note.SpeedKmh)) {
        const std::string distance = std::isnan(note.DistanceM) ? "" : Distance(note.DistanceM);
        text += ja ? "\n直前の採用点から " + Speed(note.SpeedKmh) + "、" + distance
                   : "\n" + Speed(note.SpeedKmh) + ", " + distance + " from the fix kept before it";
    }
    return text + "\n" + Why(note, context, language);
}

std::string ExplainDrops(const TDropCounts& counts, const TClusterNotes& first,
    const TNoteContext& context, TLanguage language)
{
    const bool ja = Japanese(language);
    std::string causes;
    for (int cause = 0; cause < kDropCauseCount; ++cause) {
        const std::uint64_t n = counts.ByCause[static_cast<std::size_t>(cause)];
        if (n == 0)
            continue;
        if (!causes.empty())
            causes += ja ? "、" : ", ";
        const std::string words(CauseWords(static_cast<TDropCause>(cause), language));
        causes += ja ? words + " " + Count(n) : Count(n) + " " + words;
    }
    std::string text = ja ? "除外 " + Count(counts.Total()) + " 点: " + causes
                          : Count(counts.Total())
            + (counts.Total() == 1 ? " dropped fix: " : " dropped fixes: ") + causes;
    for (const TFixNote& note : first.View()) {
        std::string line = ja ? Count(note.Line) + " 行目、" : "Line " + Count(note.Line) + ", ";
        line += FormatDateTime("HH:NN:SS", note.UtcDateTime + context.ZoneShiftDays);
        if (!std::isnan(note.SpeedKmh))
            line += (ja ? "、" : ", ") + Speed(note.SpeedKmh);
        line += ": " + std::string(CauseWords(note.Cause, language));
        text += "\n" + line;
    }
    if (counts.Total() > first.Size) {
        const std::string more = Count(counts.Total() - first.Size);
        text += ja ? "\nほか " + more + " 点" : "\nand " + more + " more";
    }
    return text;
}

std::string AdviceText(const TDropAdvice& advice, const TNoteContext& context, TLanguage language)
{
    if (!advice.MostDropped)
        return {};
    const bool ja = Japanese(language);
    const std::string words(CauseWords(advice.Cause, language));
    const std::string share = ja ? Count(advice.Records) + " 点中 " + Count(advice.Dropped) + " 点"
                                 : Count(advice.Dropped) + " of " + Count(advice.Records);
    if (advice.Cause != TDropCause::TooFast || advice.KeepingKmh <= 0)
        return ja ? "大半の点が「" + words + "」で除外されました（" + share + "）。"
                  : "Most fixes were dropped as " + words + " (" + share + ").";
    const std::string limit = Speed(context.LimitKmh);
    std::string text = ja ? "大半の点が上限 " + limit + " で「速すぎ」として除外されました（"
            + share + "）。その半数は " + Speed(advice.MedianKmh) + " 前後です。"
                          : "Most fixes were dropped as too fast for the limit of " + limit + " ("
            + share + "); half of them were slower than " + Speed(advice.MedianKmh) + ".";
    if (advice.Mode >= 0) {
        const TTravelMode& mode = TravelModes()[static_cast<std::size_t>(advice.Mode)];
        text += ja
            ? "「" + std::string(mode.Caption) + "」なら 9 割を採用します。"
            : " The mode " + std::string(mode.EnglishCaption) + " would keep 9 in 10 of them.";
    } else {
        text += ja ? "上限 " + Speed(advice.KeepingKmh) + " なら 9 割を採用します。"
                   : " A limit of " + Speed(advice.KeepingKmh) + " would keep 9 in 10 of them.";
    }
    return text;
}

} // namespace ostrel
