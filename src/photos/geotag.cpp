#include "photos/geotag.h"

#include "core/errors.h"
#include "core/file_io.h"
#include "photos/exif_writer.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace ostrel {

namespace {

// A sidecar's text, when there is one; a sidecar larger than any XMP is not XMP.
std::optional<std::string> ExistingSidecar(const fs::path& sidecar)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(sidecar, ec)))
        return std::nullopt;
    constexpr std::uint64_t kMaxSidecar = 16 << 20;
    TInputFile file(sidecar);
    if (file.Size() > kMaxSidecar)
        throw SidecarNotXmp(Utf8FromPath(sidecar));
    std::string text;
    char block[1 << 16];
    for (std::size_t got; (got = file.Read(block, sizeof block)) > 0;) {
        text.append(block, got);
        if (text.size() > kMaxSidecar)
            throw SidecarNotXmp(Utf8FromPath(sidecar));
    }
    return text;
}

// The sidecar with the position; written unless dryRun, which checks it can be made.
void WriteSidecar(const fs::path& sidecar, const std::optional<std::string>& existing,
    const TPhotoPosition& position, bool dryRun)
{
    const std::string text
        = existing ? SidecarWithPosition(*existing, position, sidecar) : NewSidecar(position);
    if (dryRun)
        return;
    TOutputFile output(sidecar, TPlacement::Replace);
    output.Write(text);
    output.Commit();
}

// Whether a file name has the extension of a photo read here, in any letter case.
bool IsPhotoName(const fs::path& name)
{
    std::string ext = Utf8FromPath(name.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
        [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return std::ranges::find(PhotoExtensions(), ext) != PhotoExtensions().end();
}

} // namespace

std::span<const std::string_view> PhotoExtensions()
{
    static constexpr std::array<std::string_view, 9> kExtensions
        = { ".jpg", ".jpeg", ".dng", ".cr2", ".nef", ".arw", ".orf", ".pef", ".rw2" };
    return kExtensions;
}

std::vector<fs::path> PhotosOf(const fs::path& argument)
{
    std::error_code ec;
    if (!fs::is_directory(argument, ec))
        return { argument };
    std::vector<fs::path> photos;
    fs::directory_iterator entries(argument, ec);
    if (ec)
        throw FileErrorFromErrno(ec.value());
    for (const fs::directory_entry& entry : entries) {
        if (IsPhotoName(entry.path()) && entry.is_regular_file(ec))
            photos.push_back(entry.path());
    }
    std::sort(photos.begin(), photos.end());
    return photos;
}

std::optional<TPhotoTime> ReadPhotoTime(const fs::path& photo)
{
    TFileSource source(photo);
    return PhotoTimeOf(ReadPhotoMetadata(source).Times);
}

TPhotoResult GeotagPhoto(
    const fs::path& photo, std::span<const TTimedPoint> fixes, const TGeotagOptions& options)
{
    TPhotoResult result;
    std::optional<TFileSource> source(std::in_place, photo);
    const TPhotoMetadata metadata = ReadPhotoMetadata(*source);
    result.Time = PhotoTimeOf(metadata.Times);
    if (!result.Time)
        return result;
    result.Utc = PhotoUtc(*result.Time, options.Clock);
    result.Match = MatchTime(fixes, result.Utc, options.MaxGapMinutes / 1440.0);
    if (!result.Match.Position) {
        result.Status = TPhotoStatus::NoPosition;
        return result;
    }

    const TPhotoPosition position { *result.Match.Position, result.Utc };
    const fs::path sidecar = SidecarPath(photo, options.SidecarName);
    const std::optional<std::string> existing = ExistingSidecar(sidecar);
    if (!options.Overwrite && (metadata.Position || (existing && SidecarHasPosition(*existing)))) {
        result.Status = TPhotoStatus::HasPosition;
        return result;
    }
    result.Status = TPhotoStatus::Written;
    const bool jpeg = metadata.Kind == TPhotoKind::Jpeg && metadata.ExifSegment;
    const std::optional<std::string> tiff = options.Write == TPhotoWrite::Exif && jpeg
        ? ExifTiffWithPosition(*source, metadata, position)
        : std::nullopt;
    if (tiff) {
        result.Wrote = TPhotoWrite::Exif;
        result.Target = photo;
        source.reset(); // Windows replaces no file that is still open
        if (!options.DryRun)
            WriteJpegPosition(photo, metadata, *tiff, options.KeepTime);
        return result;
    }
    // Raw files are never written: their sidecars are the rule, not a fallback.
    result.FellBack = options.Write == TPhotoWrite::Exif && jpeg;
    result.Wrote = TPhotoWrite::Sidecar;
    result.Target = sidecar;
    WriteSidecar(sidecar, existing, position, options.DryRun);
    return result;
}

bool GeotagPhotos(std::span<const fs::path> photos, std::span<const TTimedPoint> fixes,
    const TGeotagOptions& options, bool keepGoing, const TGeotagReport& report)
{
    bool allDone = true;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        try {
            const TPhotoResult result = GeotagPhoto(photos[i], fixes, options);
            if (report.Done)
                report.Done(i, result);
        } catch (...) {
            allDone = false;
            if (report.Failed)
                report.Failed(i, std::current_exception());
            if (!keepGoing)
                break;
        }
    }
    return allDone;
}

} // namespace ostrel
