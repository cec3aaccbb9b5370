#pragma once

// The position written into a JPEG's own EXIF. Nothing that an offset may point to moves: the GPS
// IFD goes to the end of the TIFF block, after a copy of IFD0 that points to it, and the TIFF
// header points to that copy. The old IFD0 and any old GPS IFD stay where they were, unused, and
// so every offset into the block (maker notes and their private offsets, the thumbnail, the
// EXIF IFD) still finds what it found. The image data and every other segment are copied to the
// byte.

#include "photos/exif.h"
#include "photos/xmp_sidecar.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// The largest TIFF block an APP1 segment holds: 65535 bytes less its length field and "Exif\0\0".
inline constexpr std::size_t kMaxExifTiff = 65535 - 2 - 6;

// The TIFF block with the position added (or put in place of the one it held): IFD0 copied to the
// end with the GPS IFD's pointer, the GPS IFD after it (version 2.3, latitude, longitude, the UTC
// time and date, the datum WGS-84), and the header pointing to the copy. An IFD0 that cannot be
// read is ExifDamaged, at the byte of the block.
std::string TiffWithPosition(std::string_view tiff, const TPhotoPosition& position);

// The TIFF block of the JPEG's EXIF segment with the position (TiffWithPosition); nothing when it
// would pass kMaxExifTiff. metadata is the photo's as read.
std::optional<std::string> ExifTiffWithPosition(
    TByteSource& photo, const TPhotoMetadata& metadata, const TPhotoPosition& position);

// Writes tiff (ExifTiffWithPosition's) as the EXIF segment of the JPEG at path through the file
// layer: the file is replaced by one that differs only in that segment, unnamed until complete,
// with the mode, owner and extended attributes kept, and with its modification time too when
// keepTime.
void WriteJpegPosition(const std::filesystem::path& path, const TPhotoMetadata& metadata,
    std::string_view tiff, bool keepTime);

} // namespace ostrel
