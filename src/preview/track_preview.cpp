#include "preview/track_preview.h"

#include "conversion/conversion.h"
#include "log/log_reader.h"

namespace ostrel {

TTrackPreview PreviewLog(const std::filesystem::path& input, const TConvertSettings& settings,
    TTrackProgress* progress, TPictureProjection projection, std::vector<TLatLon> photos)
{
    TLogReader reader(input);
    TPictureSink picture(settings.WaypointIntervalMin, 1 << 18, 0.25, projection);
    picture.SetPhotos(std::move(photos), settings.OriginIndex);
    TSpeedGraphSink graph(settings.SpeedLimitKmh, projection);
    TStatisticsSink statistics;
    TSinkPair<TPictureSink, TSpeedGraphSink> drawn(picture, graph);
    TSinkPair<TSinkPair<TPictureSink, TSpeedGraphSink>, TStatisticsSink> sinks(drawn, statistics);
    TTrackPreview preview;
    const TTrackOptions options = TrackOptionsOf(settings, true, progress);
    preview.Track = StreamTrack(reader, options, sinks);
    preview.Cleaned = options.Cleaning.Any();
    preview.Statistics = statistics.Statistics();
    preview.Picture = picture.Take();
    preview.Graph = graph.Take();
    preview.Context
        = { settings.SpeedLimitKmh, options.TimeShiftDays, settings.MinMoveM, settings.PrivacyM };
    return preview;
}

} // namespace ostrel
