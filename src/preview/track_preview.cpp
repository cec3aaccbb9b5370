#include "preview/track_preview.h"

#include "conversion/conversion.h"
#include "log/log_reader.h"

namespace ostrel {

TTrackPreview PreviewLog(
    const std::filesystem::path& input, const TConvertSettings& settings, TTrackProgress* progress)
{
    TLogReader reader(input);
    TPictureSink picture(settings.WaypointIntervalMin);
    TStatisticsSink statistics;
    TSinkPair<TPictureSink, TStatisticsSink> sinks(picture, statistics);
    TTrackPreview preview;
    const TTrackOptions options = TrackOptionsOf(settings, true, progress);
    preview.Track = StreamTrack(reader, options, sinks);
    preview.Cleaned = options.Cleaning.Any();
    preview.Statistics = statistics.Statistics();
    preview.Picture = picture.Take();
    preview.LengthMessage = LengthMessage(preview.Track.TotalMetres, settings.Separators);
    return preview;
}

} // namespace ostrel
