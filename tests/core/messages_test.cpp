#include "core/errors.h"
#include "core/messages.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace ostrel {
namespace {

// One error of every kind, with arguments where the kind takes them.
std::vector<Error> OneOfEachKind()
{
    return { IntegerError("x"), FloatError("1,5"), TimeError("25:00:00"), DateError("32/01/07"),
        ListIndexOutOfRange(3), FileNotFound(), AccessDenied(), IoError(5), DivisionByZero(),
        InvalidOperation(), SameFile(), PositionError("9100.0000"), OutOfMemory(),
        LogsOverlap("a.log", "b.log"), NotAPhoto(), ExifDamaged(1234), SidecarNotXmp("a.JPG.xmp") };
}

// Every kind has a text in both languages and a name for scripts; the two texts differ, every
// kind's text and name differ from every other's, and the arguments land in the texts.
TEST(Messages, TableCoversEveryKindInBothLanguages)
{
    const std::vector<Error> errors = OneOfEachKind();
    std::set<int> kinds;
    for (const Error& error : errors)
        kinds.insert(static_cast<int>(error.Kind()));
    ASSERT_EQ(kinds.size(), static_cast<std::size_t>(kErrorKindCount));

    for (const TLanguage language : { TLanguage::Japanese, TLanguage::English }) {
        std::set<std::string> texts;
        for (int kind = 0; kind < kErrorKindCount; ++kind) {
            const std::string_view pattern
                = MessageTemplate(static_cast<TErrorKind>(kind), language);
            EXPECT_FALSE(pattern.empty()) << "kind " << kind;
            texts.emplace(pattern);
        }
        EXPECT_EQ(texts.size(), static_cast<std::size_t>(kErrorKindCount));
    }
    std::set<std::string_view> names;
    for (int kind = 0; kind < kErrorKindCount; ++kind) {
        const std::string_view name = ErrorKindName(static_cast<TErrorKind>(kind));
        EXPECT_FALSE(name.empty()) << "kind " << kind;
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz_"), std::string_view::npos)
            << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kErrorKindCount));
    EXPECT_EQ(ErrorKindName(TErrorKind::TimeConversion), "time_conversion");
    EXPECT_EQ(ErrorKindName(TErrorKind::FileNotFound), "file_not_found");
    for (const Error& error : errors) {
        EXPECT_NE(MessageText(error, TLanguage::Japanese), MessageText(error, TLanguage::English));
        // what() stays the Japanese text.
        EXPECT_EQ(MessageText(error, TLanguage::Japanese), error.what());
    }
}

TEST(Messages, EnglishTextsWithTheirArguments)
{
    EXPECT_EQ(
        MessageText(TimeError("25:00:00"), TLanguage::English), "'25:00:00' is not a valid time");
    EXPECT_EQ(MessageText(IntegerError(""), TLanguage::English), "'' is not a valid integer");
    EXPECT_EQ(MessageText(IoError(28), TLanguage::English), "I/O error (28)");
    EXPECT_EQ(
        MessageText(ListIndexOutOfRange(-1), TLanguage::English), "List index out of bounds (-1)");
    EXPECT_EQ(MessageText(FileNotFound(), TLanguage::English), "File not found");
    // Two texts, each where its "%s" stands.
    EXPECT_EQ(MessageText(LogsOverlap("a.log", "b%s.log"), TLanguage::English),
        "'a.log' and 'b%s.log' overlap in time");
    // A "%" in the argument is text, not a placeholder.
    EXPECT_EQ(MessageText(FloatError("%d%s"), TLanguage::English),
        "'%d%s' is not a valid floating-point number");
}

TEST(Messages, ReportsCarryTheLineAndOtherErrorsTheirWhat)
{
    ConvertError error = DateError("32/01/07");
    error.SetLine(12);
    const TErrorReport report = ReportOf(std::make_exception_ptr(error), TLanguage::English);
    EXPECT_EQ(report.Message, "'32/01/07' is not a valid date");
    EXPECT_EQ(report.Line, 12u);
    EXPECT_EQ(report.Kind, TErrorKind::DateConversion);

    const TErrorReport plain
        = ReportOf(std::make_exception_ptr(AccessDenied()), TLanguage::Japanese);
    EXPECT_EQ(plain.Message, "ファイルへのアクセスが拒否されました");
    EXPECT_FALSE(plain.Line);

    const TErrorReport other
        = ReportOf(std::make_exception_ptr(std::runtime_error("disk on fire")), TLanguage::English);
    EXPECT_EQ(other.Message, "disk on fire");
    EXPECT_FALSE(other.Kind);

    EXPECT_EQ(ReportOf(std::make_exception_ptr(std::bad_alloc()), TLanguage::English).Message,
        "Out of memory");
}

// An error of another file than the log names it, with the system's reason in the language
// (Japanese where the system has that locale) and control characters in the path as "?".
TEST(Messages, FileFaultsNameTheFileAndTheReason)
{
    const FileError full = FileErrorFromErrno(ENOSPC, TFileRole::Output, "out\n.kml");
    const TErrorReport english = ReportOf(std::make_exception_ptr(full), TLanguage::English);
    EXPECT_EQ(english.Message, "I/O error (28)");
    EXPECT_EQ(english.Detail, "output 'out?.kml': " + SystemMessage(ENOSPC, TLanguage::English));
    const TErrorReport japanese = ReportOf(std::make_exception_ptr(full), TLanguage::Japanese);
    EXPECT_TRUE(japanese.Detail->starts_with("出力ファイル 'out?.kml': ")) << *japanese.Detail;

    const FileError missing = FileErrorFromErrno(ENOENT, TFileRole::OutputFolder, "/missing/dir");
    EXPECT_EQ(MessageText(missing, TLanguage::English), "File not found");
    EXPECT_EQ(FaultText(*missing.Fault(), TLanguage::English),
        "output folder '/missing/dir': " + SystemMessage(ENOENT, TLanguage::English));
    EXPECT_EQ(FaultText({ TFileRole::StandardOutput, "", 0, true }, TLanguage::English),
        "standard output: not a regular file");
#ifndef _WIN32 // errno values are the system's own codes here
    EXPECT_EQ(SystemMessage(ENOSPC, TLanguage::English), "No space left on device");
#endif
    EXPECT_FALSE(ReportOf(std::make_exception_ptr(FileNotFound()), TLanguage::English).Detail);
}

// Below the message the window tells what was expected or what to do: the form of the field at
// fault on a record line, that a file without record lines is no log, the step to take about a
// file; nothing where the message says it all. Both languages have every hint.
TEST(Messages, HintsTellWhatWasExpected)
{
    const auto hint = [](Error error, std::optional<std::uint64_t> line, TLanguage language) {
        if (line)
            error.SetLine(*line);
        return ReportOf(std::make_exception_ptr(error), language).Hint;
    };
    ConvertError longitude = IntegerError("");
    longitude.SetField(TLogField::Longitude);
    EXPECT_EQ(hint(longitude, 4, TLanguage::English),
        "The longitude field (columns 31-42) should be DDDMM.MMMMMM, at most 180 degrees.");
    // What was raised for the last line of a file without record lines has no line.
    ConvertError time = TimeError("::");
    time.SetField(TLogField::Time);
    EXPECT_EQ(hint(time, std::nullopt, TLanguage::English),
        "No GPS record lines were found: is this a log of the logger?");
    EXPECT_EQ(hint(time, 1, TLanguage::English),
        "The time field (columns 8-13) should be HHMMSS, such as 030405.");
    EXPECT_EQ(hint(FileNotFound(), std::nullopt, TLanguage::English),
        "Check that the log is still where it was when it was listed.");
    EXPECT_EQ(hint(FileErrorFromErrno(ENOENT, TFileRole::OutputFolder, "/x"), std::nullopt,
                  TLanguage::English),
        "Check that the output's folder exists.");
    EXPECT_FALSE(hint(IntegerError(""), std::nullopt, TLanguage::English)); // a setting's
    EXPECT_FALSE(hint(ListIndexOutOfRange(0), std::nullopt, TLanguage::English));

    for (const TLogField field :
        { TLogField::Time, TLogField::Latitude, TLogField::Longitude, TLogField::Date }) {
        ConvertError error = DateError("x");
        error.SetField(field);
        const auto japanese = hint(error, 2, TLanguage::Japanese);
        const auto english = hint(error, 2, TLanguage::English);
        ASSERT_TRUE(japanese && english);
        EXPECT_NE(*japanese, *english);
    }
    for (const Error& error : OneOfEachKind()) {
        EXPECT_EQ(hint(error, std::nullopt, TLanguage::Japanese).has_value(),
            hint(error, std::nullopt, TLanguage::English).has_value())
            << error.what();
    }
    // The message itself stays as it was.
    EXPECT_EQ(ReportOf(std::make_exception_ptr(time), TLanguage::English).Message,
        "'::' is not a valid time");
}

TEST(Messages, LanguageFromNamesLocalesAndEnvironment)
{
    EXPECT_EQ(LanguageNamed("ja"), TLanguage::Japanese);
    EXPECT_EQ(LanguageNamed("en"), TLanguage::English);
    EXPECT_FALSE(LanguageNamed("de"));
    EXPECT_FALSE(LanguageNamed(""));

    EXPECT_EQ(LanguageOfLocale("ja_JP.UTF-8"), TLanguage::Japanese);
    EXPECT_EQ(LanguageOfLocale("ja"), TLanguage::Japanese);
    EXPECT_EQ(LanguageOfLocale("C"), TLanguage::English);
    EXPECT_EQ(LanguageOfLocale("de_DE.UTF-8"), TLanguage::English);

    using TEnv = std::map<std::string, std::string>;
    const auto languageOf = [](const TEnv& env) {
        return LanguageOfEnvironment([&](const char* name) -> const char* {
            const auto found = env.find(name);
            return found == env.end() ? nullptr : found->second.c_str();
        });
    };
    EXPECT_EQ(languageOf({}), TLanguage::English);
    EXPECT_EQ(languageOf({ { "LANG", "ja_JP.UTF-8" } }), TLanguage::Japanese);
    // The first that is set and not empty decides.
    EXPECT_EQ(languageOf({ { "LC_ALL", "" }, { "LC_MESSAGES", "C" }, { "LANG", "ja_JP.UTF-8" } }),
        TLanguage::English);
    EXPECT_EQ(languageOf({ { "LC_ALL", "ja_JP.UTF-8" }, { "LANG", "en_US.UTF-8" } }),
        TLanguage::Japanese);
    EXPECT_EQ(languageOf({ { "LC_ALL", "" }, { "LANG", "ja_JP.eucJP" } }), TLanguage::Japanese);
}

} // namespace
} // namespace ostrel
