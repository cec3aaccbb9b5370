#include "core/errors.h"
#include "core/test_support.h"
#include "log/gps_rec.h"
#include "photos/xmp_sidecar.h"

#include <gtest/gtest.h>

namespace ostrel::test {
namespace {

const TPhotoPosition kPosition { { 35.5, -139.25 }, DayNumber(2024, 5, 12) + 0.5 };

TEST(XmpSidecar, NamesCoordinatesAndANewSidecar)
{
    EXPECT_EQ(
        SidecarPath("d/IMG_1.JPG", TSidecarName::Full), std::filesystem::path("d/IMG_1.JPG.xmp"));
    EXPECT_EQ(SidecarPath("d/IMG_1.CR2", TSidecarName::Base), std::filesystem::path("d/IMG_1.xmp"));
    EXPECT_EQ(XmpCoordinate(35.652377601, true), "35,39.14265606N");
    EXPECT_EQ(XmpCoordinate(-0.5, true), "0,30.00000000S");
    EXPECT_EQ(XmpCoordinate(-139.25, false), "139,15.00000000W");
    EXPECT_EQ(XmpCoordinate(179.999999999999, false), "180,00.00000000E");
    const std::string xmp = NewSidecar(kPosition);
    EXPECT_NE(xmp.find("exif:GPSLatitude=\"35,30.00000000N\""), std::string::npos) << xmp;
    EXPECT_NE(xmp.find("exif:GPSLongitude=\"139,15.00000000W\""), std::string::npos);
    EXPECT_NE(xmp.find("exif:GPSTimeStamp=\"2024-05-12T12:00:00Z\""), std::string::npos);
    EXPECT_NE(xmp.find("exif:GPSMapDatum=\"WGS-84\""), std::string::npos);
    EXPECT_TRUE(SidecarHasPosition(xmp));
}

// A sidecar of another program keeps every byte but its GPS properties, in attributes or
// elements, under whatever prefix binds EXIF's namespace; what is not XMP is refused.
TEST(XmpSidecar, AnExistingSidecarKeepsEverythingElse)
{
    const std::string before
        = "<?xml version=\"1.0\"?>\n<!-- <rdf:RDF> in a comment -->\n"
          "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
          " <RDF:RDF xmlns:RDF=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
          "  <RDF:Description RDF:about=\"IMG_1.CR2\"\n"
          "    xmlns:e=\"http://ns.adobe.com/exif/1.0/\"\n"
          "    xmlns:darktable=\"http://darktable.sf.net/\"\n"
          "    e:GPSLatitude='1,0.0N' darktable:history_end=\"3\"\n"
          "    e:FNumber=\"28/10\">\n"
          "   <e:GPSLongitude>2,0.0E</e:GPSLongitude>\n"
          "   <darktable:history><![CDATA[ <e:GPSAltitude/> ]]></darktable:history>\n"
          "  </RDF:Description>\n"
          " </RDF:RDF>\n"
          "</x:xmpmeta>\n";
    EXPECT_TRUE(SidecarHasPosition(before));
    const std::string after = SidecarWithPosition(before, kPosition, "IMG_1.CR2.xmp");
    const std::string kept
        = "<?xml version=\"1.0\"?>\n<!-- <rdf:RDF> in a comment -->\n"
          "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
          " <RDF:RDF xmlns:RDF=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
          "  <RDF:Description RDF:about=\"IMG_1.CR2\"\n"
          "    xmlns:e=\"http://ns.adobe.com/exif/1.0/\"\n"
          "    xmlns:darktable=\"http://darktable.sf.net/\" darktable:history_end=\"3\"\n"
          "    e:FNumber=\"28/10\">\n"
          "   <darktable:history><![CDATA[ <e:GPSAltitude/> ]]></darktable:history>\n"
          "  </RDF:Description>\n"
          " ";
    EXPECT_EQ(after.substr(0, kept.size()), kept) << after;
    EXPECT_NE(
        after.find("<RDF:Description RDF:about=\"IMG_1.CR2\"\n    xmlns:exif="), std::string::npos);
    EXPECT_NE(after.find("exif:GPSLatitude=\"35,30.00000000N\""), std::string::npos);
    EXPECT_TRUE(after.ends_with("/>\n </RDF:RDF>\n</x:xmpmeta>\n")) << after;
    EXPECT_TRUE(SidecarHasPosition(after));
    EXPECT_FALSE(SidecarHasPosition("<x:xmpmeta><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
                                    "22-rdf-syntax-ns#\"></rdf:RDF></x:xmpmeta>"));

    for (const char* bad : { "", "not xml", "<x:xmpmeta><rdf:RDF xmlns:rdf=\"other\"></rdf:RDF>",
             "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><a "
             "b=\"c></rdf:RDF>",
             "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><!-- "
             "</rdf:RDF>" }) {
        EXPECT_EQ(MessageOf<PhotoError>([&] { SidecarWithPosition(bad, kPosition, "a.xmp"); }),
            SidecarNotXmp("a.xmp").what())
            << bad;
    }
}

} // namespace
} // namespace ostrel::test
