#include "conversion/track_preview.h"

#include "conversion/conversion.h"
#include "log/log_reader.h"

namespace ostrel {

TTrackPreview PreviewLog(
    const std::filesystem::path& input, const TConvertSettings& settings, TTrackProgress* progress)
{
    TLogReader reader(input);
    TPictureSink sink(settings.WaypointIntervalMin);
    TTrackOptions options;
    options.SpeedLimitKmh = settings.SpeedLimitKmh;
    options.OriginIndex = settings.OriginIndex;
    options.TimeShiftDays = TimeShiftDays(settings);
    options.CurrentYear = settings.CurrentYear;
    options.Progress = progress;
    TTrackPreview preview;
    preview.Track = StreamTrack(reader, options, sink);
    preview.Picture = sink.Take();
    preview.LengthMessage = LengthMessage(preview.Track.TotalMetres, settings.Separators);
    return preview;
}

} // namespace ostrel
