// Fuzzes the photos' metadata: arbitrary bytes read as a JPEG or TIFF photo, and as an XMP sidecar.
//
// A photo read must end in its metadata or in a photo error (NotAPhoto, ExifDamaged), never in
// anything else. A JPEG whose EXIF reads gets a position written into its TIFF block: the block
// must read back with that position and the same times, every byte after its header unchanged. A
// sidecar must end in a text that holds the position, or in SidecarNotXmp.
//
// Input: byte 0 chooses (even: a photo, odd: a sidecar); the rest is the bytes.

#include "core/errors.h"
#include "fuzz_support.h"
#include "photos/exif.h"
#include "photos/exif_writer.h"
#include "photos/photo_time.h"
#include "photos/xmp_sidecar.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace ostrel;
using namespace ostrel::fuzz;

const TPhotoPosition kPosition { { -35.123456789, 139.987654321 }, 45000.5 };

void Photo(std::string_view bytes)
{
    TMemorySource source(bytes);
    TPhotoMetadata metadata;
    try {
        metadata = ReadPhotoMetadata(source);
    } catch (const PhotoError&) {
        return;
    }
    if (const std::optional<TPhotoTime> time = PhotoTimeOf(metadata.Times))
        Check(std::isfinite(PhotoUtc(*time, { 540, -90.5 })), "a photo's UTC is not finite");
    if (metadata.Position)
        Check(std::fabs(metadata.Position->Lat) <= 90 && std::fabs(metadata.Position->Lon) <= 180,
            "a position read is out of range");
    if (!metadata.ExifSegment)
        return;

    const std::string_view tiff
        = bytes.substr(*metadata.ExifSegment + 10, metadata.ExifSegmentSize - 10);
    std::string written;
    try {
        written = TiffWithPosition(tiff, kPosition);
    } catch (const PhotoError&) {
        return; // IFD0 is read more strictly to be written than to be read
    }
    Check(written.size() > tiff.size(), "the written block is not longer");
    Check(written.compare(0, 4, tiff.substr(0, 4)) == 0
            && written.compare(8, tiff.size() - 8, tiff.substr(8)) == 0,
        "a byte of the block moved or changed");
    // What was read before reads again, now with the position.
    TMemorySource again(written);
    TPhotoMetadata reread;
    TTiffBlock block(again, 0, written.size());
    ReadTiffMetadata(block, reread);
    Check(reread.Position.has_value(), "the position written does not read back");
    Check(std::fabs(reread.Position->Lat - kPosition.Position.Lat) < 1e-9
            && std::fabs(reread.Position->Lon - kPosition.Position.Lon) < 1e-9,
        "the position read back differs");
    Check(reread.Times == metadata.Times, "the times changed");
}

void Sidecar(std::string_view bytes)
{
    SidecarHasPosition(bytes);
    std::string text;
    try {
        text = SidecarWithPosition(bytes, kPosition, "fuzz.xmp");
    } catch (const PhotoError& error) {
        Check(error.Kind() == TErrorKind::SidecarNotXmp, "a sidecar failed otherwise");
        return;
    }
    Check(SidecarHasPosition(text), "the sidecar written holds no position");
    Check(text.find(XmpCoordinate(kPosition.Position.Lat, true)) != std::string::npos,
        "the sidecar written holds another latitude");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        Photo(bytes);
    else
        Sidecar(bytes);
    return 0;
}
