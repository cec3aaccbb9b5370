#include <clocale>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <locale.h>
#endif

#include "cli/locale_separators.h"

namespace ostrel::cli::test {
namespace {

TSeparators Seps(std::string decimal, std::string date, std::string time)
{
    return { std::move(decimal), std::move(date), std::move(time) };
}

// The three separators in one text, for readable failures.
std::string Show(const TSeparators& s)
{
    return '"' + s.Decimal + "\" \"" + s.Date + "\" \"" + s.Time + '"';
}

struct TFormatCase
{
    const char* Decimal;
    const char* DateFormat;
    const char* TimeFormat;
    TSeparators Expected;
};

TEST(LocaleSeparatorsTest, FromLocaleFormats)
{
    // Formats as glibc's locales give them.
    const std::vector<TFormatCase> cases = {
        { ".", "%m/%d/%y", "%H:%M:%S", Seps(".", "/", ":") }, // C, POSIX
        { ".", "%Y年%m月%d日", "%H時%M分%S秒", Seps(".", "/", ":") }, // ja_JP
        { ",", "%d.%m.%Y", "%T", Seps(",", ".", ":") }, // de_DE
        { ".", "%m/%d/%Y", "%r", Seps(".", "/", ":") }, // en_US
        { ",", "%Y-%m-%d", "%H:%M:%S", Seps(",", "-", ":") }, // sv_SE
        { ",", "%d.%m.%Y", "%H.%M.%S", Seps(",", ".", ".") }, // fi_FI
        { ",", "%Y. %m. %d.", "%H:%M:%S", Seps(",", "/", ":") }, // hu_HU: ". " is two
        { ",", "%e.%m.%Y", "%k,%M,%S", Seps(",", ".", ",") }, // bg_BG
        { ".", "%D", "%R", Seps(".", "/", ":") },
        { ".", "%F", "%T", Seps(".", "-", ":") },
        { ".", "%d/%m/%Ey", "%OH:%OM:%OS", Seps(".", "/", ":") },
        { ".", "%-d/%-m/%Y", "%_H:%M", Seps(".", "/", ":") },
        { "٫", "%Y/%m/%d", "%H:%M:%S", Seps("٫", "/", ":") }, // one character of two bytes
        { ".", "%d·%m·%Y", "%H:%M", Seps(".", "·", ":") },
        // Not one character: the fixed separators stand in.
        { "", "", "", Seps(".", "/", ":") },
        { "..", "%d%m%Y", "%H%M%S", Seps(".", "/", ":") },
        { ".", "%Y/%m-%d", "%H:%M.%S", Seps(".", "/", ":") },
        { ".", "%Y", "%H", Seps(".", "/", ":") },
        { "\t", "%d\t%m\t%Y", "%H:%M", Seps(".", "/", ":") },
        { "\xFF", "%d\xE9%m\xE9%Y", "%H:%M", Seps(".", "/", ":") }, // not UTF-8
        { ".", "%d%%%m%%%Y", "%H:%M%", Seps(".", "%", ":") },
    };
    for (const TFormatCase& c : cases) {
        SCOPED_TRACE(std::string(c.Decimal) + " | " + c.DateFormat + " | " + c.TimeFormat);
        EXPECT_EQ(
            Show(SeparatorsFromFormats(c.Decimal, c.DateFormat, c.TimeFormat)), Show(c.Expected));
    }
}

TEST(LocaleSeparatorsTest, SingleCharacter)
{
    EXPECT_EQ(SingleCharacter("."), ".");
    EXPECT_EQ(SingleCharacter("年"), "年");
    EXPECT_EQ(SingleCharacter("𝄞"), "𝄞");
    EXPECT_EQ(SingleCharacter(""), "");
    EXPECT_EQ(SingleCharacter(". "), "");
    EXPECT_EQ(SingleCharacter("年月"), "");
    EXPECT_EQ(SingleCharacter("\xE5\xB9"), ""); // cut short
    EXPECT_EQ(SingleCharacter("\xC0\xAE"), ""); // overlong "."
    EXPECT_EQ(SingleCharacter("\n"), "");
}

TEST(LocaleSeparatorsTest, CAndPosixAndUnknownLocalesGiveTheFixedSeparators)
{
    EXPECT_EQ(Show(LocaleSeparators("C")), Show(Seps(".", "/", ":")));
    EXPECT_EQ(Show(LocaleSeparators("POSIX")), Show(Seps(".", "/", ":")));
    EXPECT_EQ(Show(LocaleSeparators("xx_NOWHERE.UTF-8")), Show(Seps(".", "/", ":")));
}

#ifdef _WIN32
TEST(LocaleSeparatorsTest, WindowsLocales)
{
    EXPECT_EQ(Show(LocaleSeparators("de-DE")), Show(Seps(",", ".", ":")));
    EXPECT_EQ(Show(LocaleSeparators("ja-JP")), Show(Seps(".", "/", ":")));
    EXPECT_EQ(Show(LocaleSeparators("en-US")), Show(Seps(".", "/", ":")));
}
#endif

#ifndef _WIN32
TEST(LocaleSeparatorsTest, InstalledLocales)
{
    struct TCase
    {
        const char* Name;
        TSeparators Expected;
    };
    const std::vector<TCase> cases = {
        { "de_DE.UTF-8", Seps(",", ".", ":") },
        { "ja_JP.UTF-8", Seps(".", "/", ":") },
        { "fi_FI.UTF-8", Seps(",", ".", ".") },
        { "en_US.UTF-8", Seps(".", "/", ":") },
    };
    int tried = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        locale_t installed = newlocale(LC_ALL_MASK, c.Name, locale_t());
        if (!installed)
            continue;
        freelocale(installed);
        ++tried;
        EXPECT_EQ(Show(LocaleSeparators(c.Name)), Show(c.Expected));
    }
    if (tried == 0)
        GTEST_SKIP() << "none of the locales is installed";
}

TEST(LocaleSeparatorsTest, TheProcessLocaleStaysAsItWas)
{
    const std::string before = std::setlocale(LC_ALL, nullptr);
    LocaleSeparators("");
    LocaleSeparators("de_DE.UTF-8");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}
#endif

} // namespace
} // namespace ostrel::cli::test
