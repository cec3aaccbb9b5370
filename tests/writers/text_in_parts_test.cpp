#include "core/test_support.h"
#include "writers/text_in_parts.h"

#include <charconv>
#include <gtest/gtest.h>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace ostrel {
namespace {

using test::ReadFile;
using test::TTempDir;

// Parts made on several threads go out in the records' order, block after block; a part that
// fails ends the text there: what comes after it is neither written nor lost silently.
TEST(TextInParts, PartsGoOutInOrderAndAFailedPartEndsTheText)
{
    std::vector<int> numbers(1000);
    std::iota(numbers.begin(), numbers.end(), 0);
    const auto text = [&](int until) {
        std::string lines;
        for (int n = 0; n < until; ++n)
            lines += std::to_string(numbers[n]) + "\n";
        return lines;
    };
    for (const int failAt : { -1, 700 }) {
        SCOPED_TRACE(failAt);
        TTempDir dir;
        TOutputFile output(dir / "out.txt");
        {
            TTextInParts parts(output, 4, 7);
            const auto format = [&](char* out, std::span<const int> part, std::size_t first) {
                if (static_cast<int>(first) == failAt)
                    throw std::runtime_error("this part");
                for (const int n : part) {
                    out = std::to_chars(out, out + 12, n).ptr;
                    *out++ = '\n';
                }
                return out;
            };
            if (failAt < 0) {
                parts.Write(std::span<const int>(numbers).first(300), 12, format);
                parts.Write(std::span<const int>(numbers), 12, format);
            } else {
                EXPECT_THROW(
                    parts.Write(std::span<const int>(numbers), 12, format), std::runtime_error);
            }
        }
        output.Commit();
        EXPECT_EQ(ReadFile(dir / "out.txt"), failAt < 0 ? text(300) + text(1000) : text(failAt));
    }
}

} // namespace
} // namespace ostrel
