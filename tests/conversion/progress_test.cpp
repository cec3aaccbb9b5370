#include "conversion/batch.h"
#include "conversion/conversion.h"
#include "core/test_support.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using test::ReadFile;
using test::RecordLine;
using test::TTempDir;
using test::WriteFile;

// A log of one fix a second with more lines than one progress step.
std::string LongLog()
{
    std::string log;
    for (int i = 0; i < 70000; ++i) {
        char time[7];
        std::snprintf(time, sizeof time, "%02d%02d%02d", i / 3600, i / 60 % 60, i % 60);
        log += RecordLine(time, "3539.0000", "13945.0000", "010107") + "\r\n";
    }
    return log;
}

int FilesIn(const TTempDir& dir)
{
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    return files;
}

// A conversion stopped by its progress leaves nothing of its own: an earlier output keeps its
// bytes and no temporary file stays beside it. On two threads the stop comes past the lines
// after which the log's records are shared out.
TEST(ConversionProgress, StoppedConversionLeavesTheEarlierFile)
{
    TTempDir dir;
    const std::string log = LongLog();
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
    };
    for (const unsigned threads : { 1u, 2u }) {
        TStop stop;
        TConvertSettings settings;
        settings.CurrentYear = 2026;
        settings.Threads = threads;
        EXPECT_THROW(
            ProcFile(dir / "in.log", dir / "out.kml", settings, &stop), std::runtime_error);
        EXPECT_GT(stop.Bytes, 0u);
        EXPECT_LE(stop.Bytes, log.size());
        EXPECT_EQ(ReadFile(dir / "out.kml"), "earlier");
        EXPECT_EQ(FilesIn(dir), 2);
    }
}

// A batch asks for each log's progress as the log starts, in list order one at a time, and the
// conversion reports to it: a progress that stops its log ends the batch there as a failure.
TEST(ConversionProgress, BatchAsksEachLogForItsProgress)
{
    TTempDir dir;
    const std::string log = LongLog();
    for (const char* name : { "a.log", "b.log", "c.log" })
        WriteFile(dir / name, log);
    struct TCount final : TTrackProgress
    {
        bool Stop = false;
        int Steps = 0;
        void Advance(std::uint64_t) override
        {
            ++Steps;
            if (Stop)
                throw std::runtime_error("stopped");
        }
    } counted, stopping;
    stopping.Stop = true;

    TBatchRequest request;
    request.Inputs = { dir / "a.log", dir / "b.log", dir / "c.log" };
    request.Settings.CurrentYear = 2026;
    std::vector<std::size_t> asked;
    request.ProgressOf = [&](std::size_t index) -> TTrackProgress* {
        asked.push_back(index);
        return index == 0 ? &counted : &stopping;
    };
    std::vector<std::string> said;
    TBatchReport report;
    report.Converted
        = [&](std::size_t index, const std::filesystem::path& output, const TConversionResult&) {
              said.push_back(std::to_string(index) + " " + output.filename().string());
          };
    report.Failed = [&](std::size_t index, const std::exception_ptr& error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            said.push_back(std::to_string(index) + " " + e.what());
        }
    };
    EXPECT_FALSE(ConvertBatch(request, report));
    EXPECT_EQ(asked, (std::vector<std::size_t> { 0, 1 }));
    EXPECT_GT(counted.Steps, 0);
    EXPECT_EQ(stopping.Steps, 1);
    EXPECT_EQ(said, (std::vector<std::string> { "0 WG20070101000000.kml", "1 stopped" }));
    EXPECT_EQ(FilesIn(dir), 4); // the logs and the first output
}

} // namespace
} // namespace ostrel
