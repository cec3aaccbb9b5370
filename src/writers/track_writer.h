#pragma once

// What every writer is: a sink of the track that writes one document. Begin ... End writes the
// document of one log. The logs of a merge share one document: NextLog stands between two logs,
// ending the log before and beginning the next with its first record, as Begin begins the first;
// End then ends the last log and the document.

#include "geo/track.h"

namespace ostrel {

class TTrackWriter : public TTrackSink
{
public:
    virtual void NextLog(const TGPSRec& first, double utcDateTime, const TPlanePoint& point) = 0;
};

} // namespace ostrel
