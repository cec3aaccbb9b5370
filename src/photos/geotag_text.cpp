#include "photos/geotag_text.h"

#include "core/file_io.h"

#include <array>

namespace ostrel {

namespace {

struct TPhrase
{
    std::string_view Japanese;
    std::string_view English;
};

std::string_view In(const TPhrase& phrase, TLanguage language)
{
    return language == TLanguage::Japanese ? phrase.Japanese : phrase.English;
}

// Why a photo has no position; in the order of TMatchKind, from BeforeTrack on.
constexpr std::array<TPhrase, 4> kNoPosition = { {
    { "最初の測位より最大間隔を超えて前", "more than the greatest gap before the first fix" },
    { "最後の測位より最大間隔を超えて後", "more than the greatest gap after the last fix" },
    { "最大間隔より長い測位の途切れの中", "in a gap between fixes longer than the greatest gap" },
    { "ログに残った測位がない", "no fix kept in the logs" },
} };

constexpr TPhrase kHasPosition = { "位置が既にある (--overwrite で置き換え)",
    "already has a position (--overwrite replaces it)" };
constexpr TPhrase kNoTime = { "Exif に撮影日時がない", "no date-time in its EXIF" };
constexpr TPhrase kExif = { "Exif", "EXIF" };
constexpr TPhrase kSidecar = { "サイドカー ", "sidecar " };
constexpr TPhrase kNoRoom = { "サイドカー (Exif に空きなし) ", "sidecar (no room in EXIF) " };
constexpr TPhrase kWould = { "書き込み予定: ", "would write: " };

} // namespace

std::string PhotoResultText(const TPhotoResult& result, TLanguage language, bool dryRun)
{
    switch (result.Status) {
    case TPhotoStatus::HasPosition:
        return std::string(In(kHasPosition, language));
    case TPhotoStatus::NoTime:
        return std::string(In(kNoTime, language));
    case TPhotoStatus::NoPosition: {
        const auto index = static_cast<std::size_t>(result.Match.Kind)
            - static_cast<std::size_t>(TMatchKind::BeforeTrack);
        return std::string(In(kNoPosition[index < kNoPosition.size() ? index : 3], language));
    }
    case TPhotoStatus::Written:
        break;
    }
    std::string text = dryRun ? std::string(In(kWould, language)) : std::string();
    if (result.Wrote == TPhotoWrite::Exif)
        return text.append(In(kExif, language));
    return text.append(In(result.FellBack ? kNoRoom : kSidecar, language))
        .append(Utf8FromPath(result.Target.filename()));
}

std::string_view PhotoResultName(const TPhotoResult& result)
{
    switch (result.Status) {
    case TPhotoStatus::Written:
        return "written";
    case TPhotoStatus::HasPosition:
        return "has_position";
    case TPhotoStatus::NoTime:
        return "no_time";
    case TPhotoStatus::NoPosition:
        break;
    }
    switch (result.Match.Kind) {
    case TMatchKind::BeforeTrack:
        return "before_track";
    case TMatchKind::AfterTrack:
        return "after_track";
    case TMatchKind::InGap:
        return "in_gap";
    default:
        return "no_fixes";
    }
}

} // namespace ostrel
