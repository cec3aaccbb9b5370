#pragma once

// What became of a photo, as one short phrase in the language of the messages: where its
// position went, or why it has none. The command line and the window show the same words.

#include "core/messages.h"
#include "photos/geotag.h"

#include <string>
#include <string_view>

namespace ostrel {

// "sidecar IMG_0001.JPG.xmp", "EXIF", "sidecar (no room in EXIF) ...", "already has a
// position", "no time in EXIF", "5 min or more before the first fix", ... With dryRun the
// written ones say they would be.
std::string PhotoResultText(const TPhotoResult& result, TLanguage language, bool dryRun);

// A stable name of the result for scripts: "written", "has_position", "no_time", and for no
// position the match's "before_track", "after_track", "in_gap", "no_fixes".
std::string_view PhotoResultName(const TPhotoResult& result);

} // namespace ostrel
