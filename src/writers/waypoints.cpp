#include "writers/waypoints.h"

#include "text/date_text.h"
#include "text/number_text.h"

#include <cstdlib>

namespace ostrel {

TWaypointTexts WaypointTexts(
    const TGPSRec& rec, const TKeptFix& fix, double totalMetres, const TSeparators& separators)
{
    const std::string distance
        = " (" + FormatFixed(totalMetres / 1000, 5, 1, separators.Decimal) + "km)";
    return { FormatDateTime("HH:NN", rec.DateTime, separators) + distance,
        FormatDateTime("YY/MM/DD HH:NN:SS", rec.DateTime, separators) + distance,
        FormatFixed(fix.SpeedKmh, 5, 1, separators.Decimal) + "km/h",
        "Heading " + std::to_string(HeadingShown(fix.HeadingDeg)) };
}

int HeadingShown(double headingDeg)
{
    // Rounded to one decimal (halves away from zero) and then the fraction dropped.
    const std::string tenths = FormatFixed(headingDeg, 15, 1);
    return std::atoi(tenths.c_str());
}

} // namespace ostrel
