#include "core/settings.h"

#include <algorithm>
#include <ctime>

namespace ostrel {

const TStyleTemplate& DefaultStyleTemplate()
{
    static const TStyleTemplate lines = {
        "<Style id=\"sh_wht-blank\">",
        "  <IconStyle>",
        "    <color>99ffffff</color>//dummy",
        "    <scale>1.3</scale>",
        "    <Icon>",
        "      <href>http://maps.google.com/mapfiles/kml/paddle/wht-blank.png</href>",
        "    </Icon>",
        "    <hotSpot x=\"32\" y=\"1\" xunits=\"pixels\" yunits=\"pixels\"/>",
        "  </IconStyle>",
        "  <ListStyle>",
        "    <ItemIcon>",
        "      <href>http://maps.google.com/mapfiles/kml/paddle/wht-blank-lv.png</href>",
        "    </ItemIcon>",
        "  </ListStyle>",
        "</Style>",
        "",
        "<Style id=\"sn_wht-blank\">",
        "  <IconStyle>",
        "    <color>99ffffff</color>//dummy",
        "    <scale>1.1</scale>",
        "    <Icon>",
        "      <href>http://maps.google.com/mapfiles/kml/paddle/wht-blank.png</href>",
        "    </Icon>",
        "    <hotSpot x=\"32\" y=\"1\" xunits=\"pixels\" yunits=\"pixels\"/>",
        "  </IconStyle>",
        "  <ListStyle>",
        "    <ItemIcon>",
        "      <href>http://maps.google.com/mapfiles/kml/paddle/wht-blank-lv.png</href>",
        "    </ItemIcon>",
        "  </ListStyle>",
        "</Style>",
        "",
        "<StyleMap id=\"msn_wht-blank\">",
        "  <Pair>",
        "    <key>normal</key>",
        "    <styleUrl>#sn_wht-blank</styleUrl>",
        "  </Pair>",
        "  <Pair>",
        "    <key>highlight</key>",
        "    <styleUrl>#sh_wht-blank</styleUrl>",
        "  </Pair>",
        "</StyleMap>",
    };
    return lines;
}

unsigned LogThreads(const TConvertSettings& settings)
{
    return std::clamp(settings.Threads, 1u, kMaxLogThreads);
}

double TimeShiftDays(const TConvertSettings& settings)
{
    if (settings.TimeZoneMinutes == 0)
        return static_cast<double>(settings.TimeZoneHours) / 24;
    return static_cast<double>(settings.TimeZoneHours * 60 + settings.TimeZoneMinutes) / 1440;
}

int LocalCurrentYear()
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local.tm_year + 1900;
}

} // namespace ostrel
