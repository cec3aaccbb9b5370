#include "conversion/track_preview.h"

#include "conversion/conversion.h"
#include "log/log_reader.h"

namespace ostrel {

TTrackPreview PreviewLog(
    const std::filesystem::path& input, const TConvertSettings& settings, TTrackProgress* progress)
{
    TLogReader reader(input);
    TPictureSink sink(settings.WaypointIntervalMin);
    TTrackPreview preview;
    preview.Track = StreamTrack(reader, TrackOptionsOf(settings, true, progress), sink);
    preview.Picture = sink.Take();
    preview.LengthMessage = LengthMessage(preview.Track.TotalMetres, settings.Separators);
    return preview;
}

} // namespace ostrel
