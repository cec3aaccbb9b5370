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
    preview.Track = StreamTrack(reader, TrackOptionsOf(settings, true, progress), sinks);
    preview.Statistics = statistics.Statistics();
    preview.Picture = picture.Take();
    preview.LengthMessage = LengthMessage(preview.Track.TotalMetres, settings.Separators);
    return preview;
}

} // namespace ostrel
