#include "conversion/conversion.h"
#include "core/test_support.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace ostrel {
namespace {

using test::ReadFile;
using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

// A conversion stopped by its progress leaves nothing of its own: an earlier output keeps its
// bytes and no temporary file stays beside it.
TEST(ConversionProgress, StoppedConversionLeavesTheEarlierFile)
{
    TTempDir dir;
    std::string log;
    for (int i = 0; i < 70000; ++i) { // more lines than one progress step
        char time[7];
        std::snprintf(time, sizeof time, "%02d%02d%02d", i / 3600, i / 60 % 60, i % 60);
        log += RecordLine(time, "3539.0000", "13945.0000", "010107") + "\r\n";
    }
    WriteFile(dir / "in.log", log);
    WriteFile(dir / "out.kml", "earlier");
    struct TStop final : TTrackProgress
    {
        std::uint64_t Bytes = 0;
        void Advance(std::uint64_t bytes) override
        {
            Bytes = bytes;
            throw std::runtime_error("stopped");
        }
    } stop;
    TConvertSettings settings;
    settings.CurrentYear = 2026;
    EXPECT_THROW(ProcFile(dir / "in.log", dir / "out.kml", settings, &stop), std::runtime_error);
    EXPECT_GT(stop.Bytes, 0u);
    EXPECT_LE(stop.Bytes, log.size());
    EXPECT_EQ(ReadFile(dir / "out.kml"), "earlier");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 2);
}

} // namespace
} // namespace ostrel
