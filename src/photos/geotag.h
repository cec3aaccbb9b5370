#pragma once

// Positions for photos from the kept fixes of logs, one photo at a time, with a result for each:
// its time as read and as UTC, the match among the fixes, and what was written where (an XMP
// sidecar beside it, or its own EXIF). The command line and the window's dialog drive it: load
// the logs' fixes (AddLogFixes, then Sort), list the photos (PhotosOf), and geotag each one
// (GeotagPhoto) or all of them (GeotagPhotos).

#include "photos/exif.h"
#include "photos/photo_time.h"
#include "photos/track_match.h"
#include "photos/xmp_sidecar.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace ostrel {

enum class TPhotoWrite
{
    Sidecar, // an XMP sidecar beside the photo
    Exif, // a JPEG's own EXIF; raw files get their sidecars
};

struct TGeotagOptions
{
    TCameraClock Clock; // the camera's zone and how far its clock was ahead
    double MaxGapMinutes = 5.0; // the greatest gap between fixes to interpolate across (minutes)
    TPhotoWrite Write = TPhotoWrite::Sidecar;
    TSidecarName SidecarName = TSidecarName::Full;
    bool Overwrite = false; // a photo with a position gets the new one
    bool KeepTime = false; // a JPEG written keeps its modification time
    bool DryRun = false; // everything but the writing
};

enum class TPhotoStatus
{
    Written, // the position is in Target (with DryRun: would be)
    HasPosition, // it had a position already, and was left alone
    NoTime, // no date-time in its EXIF
    NoPosition, // no fix near enough: Match.Kind says why
};

struct TPhotoResult
{
    std::optional<TPhotoTime> Time;
    double Utc = 0.0; // when Time is known (day count)
    TMatch Match;
    TPhotoStatus Status = TPhotoStatus::NoTime;
    TPhotoWrite Wrote = TPhotoWrite::Sidecar; // where the position went, for Written
    std::filesystem::path Target; // the photo itself, or its sidecar
    // Its own EXIF was asked for, but its segment had no room (or it is a raw file): the
    // sidecar instead.
    bool FellBack = false;
};

// The photos an argument names: a file itself, or the files of a folder (not its subfolders)
// whose extensions are those of photos read here (.jpg, .jpeg, .dng, .cr2, .nef, .arw, .orf,
// .pef, .rw2, any letter case), in the order of their names. A folder that cannot be listed is
// its file error.
std::vector<std::filesystem::path> PhotosOf(const std::filesystem::path& argument);

// The extensions of the photos read here, in small letters with their dot.
std::span<const std::string_view> PhotoExtensions();

// The time a photo was taken, read from its metadata alone; nothing when its EXIF holds no
// date-time. A photo that cannot be read or a broken EXIF is its error.
std::optional<TPhotoTime> ReadPhotoTime(const std::filesystem::path& photo);

// Geotags one photo against fixes in time order. A photo that cannot be read, a broken EXIF, a
// sidecar that is not XMP or a failed write is its error, and nothing is left half written.
TPhotoResult GeotagPhoto(const std::filesystem::path& photo, std::span<const TTimedPoint> fixes,
    const TGeotagOptions& options);

// What GeotagPhotos tells its caller, in the order of the photos.
struct TGeotagReport
{
    std::function<void(std::size_t index, const TPhotoResult& result)> Done;
    std::function<void(std::size_t index, const std::exception_ptr& error)> Failed;
};

// Geotags each photo in turn; without keepGoing the first failure ends it. Returns whether no
// photo failed.
bool GeotagPhotos(std::span<const std::filesystem::path> photos, std::span<const TTimedPoint> fixes,
    const TGeotagOptions& options, bool keepGoing, const TGeotagReport& report);

} // namespace ostrel
