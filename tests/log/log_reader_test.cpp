#include "core/errors.h"
#include "core/test_support.h"
#include "log/log_reader.h"

#include <gtest/gtest.h>
#include <vector>

namespace ostrel {
namespace {

using test::TTempDir;
using test::WriteFile;

std::vector<std::string> ReadAllLines(const std::filesystem::path& path)
{
    TLogReader reader(path);
    std::vector<std::string> lines;
    while (!reader.AtEnd())
        lines.emplace_back(reader.ReadLine());
    return lines;
}

struct TLineCase
{
    const char* Name;
    std::string Bytes;
    std::vector<std::string> Lines;
};

class LogReaderLines : public testing::TestWithParam<TLineCase>
{
};

TEST_P(LogReaderLines, SplitsAsTheLoggerWrites)
{
    TTempDir dir;
    WriteFile(dir / "log.txt", GetParam().Bytes);
    EXPECT_EQ(ReadAllLines(dir / "log.txt"), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, LogReaderLines,
    testing::Values(TLineCase { "CrLf", "ab\r\ncd\r\n", { "ab", "cd" } },
        TLineCase { "Cr", "ab\rcd\r", { "ab", "cd" } },
        TLineCase { "Lf", "ab\ncd\n", { "ab", "cd" } },
        TLineCase { "Mixed", "ab\r\ncd\ref\ngh", { "ab", "cd", "ef", "gh" } },
        TLineCase { "LfCrIsTwoLineEnds", "ab\n\rcd", { "ab", "", "cd" } },
        TLineCase { "EmptyLinesKept", "\r\n\r\nab\r\n", { "", "", "ab" } },
        TLineCase { "LastLineWithoutEnd", "ab\r\ncd", { "ab", "cd" } },
        TLineCase { "CtrlZEndsTheFile",
            "ab\r\ncd\x1a"
            "ef\r\ngh\r\n",
            { "ab", "cd" } },
        TLineCase { "CtrlZAtStart",
            "\x1a"
            "ab\r\n",
            {} },
        TLineCase { "Empty", "", {} }),
    [](const testing::TestParamInfo<TLineCase>& info) { return info.param.Name; });

TEST(LogReader, EmptyFileGivesOneEmptyFirstLine)
{
    TTempDir dir;
    WriteFile(dir / "empty.log", "");
    TLogReader reader(dir / "empty.log");
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(ReadFirstRecordLine(reader), "");
}

TEST(LogReader, FirstRecordLineSkipsOtherLengthsAndTheReaderGoesOn)
{
    TTempDir dir;
    const std::string record(60, 'r');
    WriteFile(dir / "log.txt",
        std::string(59, 'a') + "\r\n" + std::string(61, 'b') + "\r\n" + record + "\r\nnext\r\n");
    TLogReader reader(dir / "log.txt");
    EXPECT_EQ(ReadFirstRecordLine(reader), record);
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadLine(), "next");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(LogReader, WithoutARecordLineTheLastLineIsReturned)
{
    TTempDir dir;
    WriteFile(dir / "log.txt", "first\r\nsecond\r\nlast");
    TLogReader reader(dir / "log.txt");
    EXPECT_EQ(ReadFirstRecordLine(reader), "last");
}

TEST(LogReader, LinesAcrossBlockBoundariesAreWhole)
{
    // Lines of varying lengths whose ends fall on every position of the reader's blocks,
    // including a CR LF split between two blocks. No line is empty, so that a CR line end
    // followed by an LF line end cannot read as one CR LF.
    TTempDir dir;
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; bytes.size() < 3 * (1 << 18); ++i) {
        std::string line(static_cast<std::size_t>(1 + i % 97), static_cast<char>('a' + i % 26));
        expected.push_back(line);
        bytes += line;
        bytes += i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\r" : "\n";
    }
    WriteFile(dir / "log.txt", bytes);
    EXPECT_EQ(ReadAllLines(dir / "log.txt"), expected);
}

TEST(LogReader, CrLfSplitExactlyAtABlockEnd)
{
    TTempDir dir;
    const std::size_t block = 1 << 18;
    std::string first(block - 1, 'x'); // its CR is the block's last byte, the LF the next's first
    WriteFile(dir / "log.txt", first + "\r\nsecond\r\n");
    std::vector<std::string> lines = ReadAllLines(dir / "log.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), TLogReader::kMaxLineKept);
    EXPECT_EQ(lines[1], "second");
}

TEST(LogReader, AVeryLongLineIsCutAndIsNoRecord)
{
    TTempDir dir;
    // 60 characters and then more: the full length decides, not the characters kept.
    std::string line = std::string(60, 'r') + std::string(3 * (1 << 18), 'y');
    WriteFile(dir / "log.txt", line + "\r\n" + std::string(60, 'z') + "\r\n");
    TLogReader reader(dir / "log.txt");
    std::string_view first = reader.ReadLine();
    EXPECT_EQ(first.size(), TLogReader::kMaxLineKept);
    EXPECT_FALSE(IsRecordLine(first));
    EXPECT_EQ(first.substr(0, 61), line.substr(0, 61));
    EXPECT_EQ(reader.ReadLine(), std::string(60, 'z'));
    EXPECT_TRUE(reader.AtEnd());
}

TEST(LogReader, LineAtEndOfBlockSurvivesTheNextRefill)
{
    // The line that ends a block must stay readable after AtEnd has refilled the buffer.
    TTempDir dir;
    const std::size_t block = 1 << 18;
    std::string filler(block - 62, 'f');
    std::string record(60, 'r');
    WriteFile(dir / "log.txt", filler + "\n" + record + "\n" + std::string(block, 'g'));
    TLogReader reader(dir / "log.txt");
    reader.ReadLine();
    std::string_view line = reader.ReadLine();
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(line, record);
}

TEST(LogReader, MissingFileAndFolderAreFileErrors)
{
    TTempDir dir;
    try {
        TLogReader reader(dir / "missing.log");
        FAIL() << "a missing log opened";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), FileNotFound().what());
    }
    EXPECT_THROW(TLogReader reader(dir.Path()), FileError);
}

} // namespace
} // namespace ostrel
