#pragma once

// The preview of one log: its track picture, its speed graph and its numbers, from one pass of
// the track stream under the settings of a conversion to KML (local time for the waypoints).

#include "core/settings.h"
#include "geo/track.h"
#include "geo/track_statistics.h"
#include "preview/fix_notes.h"
#include "preview/speed_graph.h"
#include "preview/track_picture.h"

#include <filesystem>
#include <string>

namespace ostrel {

struct TTrackPreview
{
    TTrackPicture Picture;
    TSpeedGraph Graph;
    TTrackResult Track;
    TTrackStatistics Statistics;
    TNoteContext Context; // what the fixes were judged under, and the time zone
    bool Cleaned = false; // a stage of the cleaning was on
};

// Reads the log at input once; the picture holds the photos' places given. Errors as a
// conversion's (a missing log: the file error).
TTrackPreview PreviewLog(const std::filesystem::path& input, const TConvertSettings& settings,
    TTrackProgress* progress = nullptr, TPictureProjection projection = TPictureProjection::Plane,
    std::vector<TLatLon> photos = {});

} // namespace ostrel
