#pragma once

// What the preview tells of a fix, of a cluster of dropped fixes and of a track whose fixes were
// mostly dropped, in both languages: its line, its local and UTC time, its speed and distance
// from the fix kept before it, and why it was kept or dropped.

#include "core/messages.h"
#include "geo/kinematics.h"
#include "preview/speed_graph.h"
#include "preview/track_picture.h"

#include <string>
#include <string_view>

namespace ostrel {

// The settings the fixes were judged under.
struct TNoteContext
{
    double LimitKmh = 10.0; // km/h
    double ZoneShiftDays = 0.0; // local time less UTC (days)
    int MinMoveM = 0; // metres
    int PrivacyM = 0; // metres
};

// The words of a cause in the legend's terms: "too fast", "速すぎ".
std::string_view CauseWords(TDropCause cause, TLanguage language);

// "2007-05-12 14:34:05 (05:34:05 UTC)": the local time, and the UTC time beside it (with its
// date when that is another day).
std::string LocalAndUtcText(double utcDateTime, double zoneShiftDays);

// Lines: what the fix is and its line, its times, its speed and distance from the fix kept
// before it, and why it was kept or dropped.
std::string ExplainFix(const TFixNote& note, const TNoteContext& context, TLanguage language);

// Lines: how many fixes of which causes, then the first few, one a line, and how many more.
std::string ExplainDrops(const TDropCounts& counts, const TClusterNotes& first,
    const TNoteContext& context, TLanguage language);

// Which limit dropped most fixes and what would keep them; empty when most were kept.
std::string AdviceText(const TDropAdvice& advice, const TNoteContext& context, TLanguage language);

} // namespace ostrel
