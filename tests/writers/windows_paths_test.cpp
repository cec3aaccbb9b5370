// Windows paths: drive letters and both separators in the default names, Japanese names through
// wide-character paths, and the refusals of the Windows file layer.

#ifdef _WIN32

#include "conversion/conversion.h"
#include "core/errors.h"
#include "core/test_support.h"

#include <algorithm>
#include <cwctype>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using test::Kml;
using test::MessageOf;
using test::Nmea;
using test::ReadFile;
using test::RecordLine;
using test::Settings;
using test::TTempDir;
using test::TwoFixLog;
using test::WriteFile;

// A path from UTF-8 text, never through the ANSI code page.
fs::path U8(std::string_view text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::wstring Slashed(std::wstring text, wchar_t from, wchar_t to)
{
    for (wchar_t& c : text) {
        if (c == from)
            c = to;
    }
    return text;
}

// The process's current folder for one scope.
class TCurrentFolder
{
public:
    explicit TCurrentFolder(const fs::path& folder)
        : old_(fs::current_path())
    {
        fs::current_path(folder);
    }
    ~TCurrentFolder()
    {
        std::error_code ec;
        fs::current_path(old_, ec);
    }
    TCurrentFolder(const TCurrentFolder&) = delete;
    TCurrentFolder& operator=(const TCurrentFolder&) = delete;

private:
    fs::path old_;
};

// A log in a folder with a Japanese name, as in C:\ログ\朝の散歩.log.
class WindowsPaths : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directory(dir.Path() / U8("ログ"));
        WriteFile(Log(), TwoFixLog());
    }
    fs::path Log() const { return dir.Path() / U8("ログ") / U8("朝の散歩.log"); }
    // The folder with a separator at its end, in the backslashes of Windows.
    std::wstring Folder() const { return (dir.Path() / U8("ログ")).native() + L"\\"; }

    TTempDir dir;
};

TEST_F(WindowsPaths, DefaultNameKeepsTheDriveAndTheSeparatorsAsSpelled)
{
    const std::wstring folder = Folder();
    ASSERT_EQ(folder[1], L':') << "the temporary folder has no drive letter";
    const std::vector<std::wstring> spellings = {
        folder,
        Slashed(folder, L'\\', L'/'),
        Slashed(folder.substr(0, 3), L'\\', L'/') + folder.substr(3),
    };
    for (std::size_t i = 0; i < spellings.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "spelling " << i);
        const std::wstring& spelled = spellings[i];
        const fs::path input = spelled + U8("朝の散歩.log").native();
        EXPECT_EQ(MakeOutputName(input, Nmea(), 2026).native(), spelled + L"WG20070512030405.log");
        EXPECT_EQ(MakeOutputName(input, Kml(), 2026).native(), spelled + L"WG20070512030405.kml");
    }
    // An upper-case drive letter or a lower-case one: the name keeps what it was given.
    const std::wstring lower = static_cast<wchar_t>(std::towlower(folder[0])) + folder.substr(1);
    EXPECT_EQ(MakeOutputName(lower + U8("朝の散歩.log").native(), Nmea(), 2026).native(),
        lower + L"WG20070512030405.log");

    // A name taken in either letter case counts: Windows sees one file.
    WriteFile(dir.Path() / U8("ログ") / "wg20070512030405.LOG", "");
    EXPECT_EQ(MakeOutputName(Log(), Nmea(), 2026).native(), Folder() + L"WG20070512030405_1.log");
}

TEST_F(WindowsPaths, DriveColonIsTheFolderOfADriveRelativePath)
{
    TCurrentFolder current(dir.Path() / U8("ログ"));
    const std::wstring drive = dir.Path().root_name().native(); // "C:"
    const fs::path input = drive + U8("朝の散歩.log").native();
    const fs::path output = MakeOutputName(input, Kml(), 2026);
    EXPECT_EQ(output.native(), drive + L"WG20070512030405.kml");
    ProcFile(input, output, Settings());
    EXPECT_EQ(ReadFile(dir.Path() / U8("ログ") / "WG20070512030405.kml").substr(0, 5), "<?xml");

    // A bare name lies in the current folder.
    EXPECT_EQ(MakeOutputName(U8("朝の散歩.log"), Nmea(), 2026).native(), L"WG20070512030405.log");
}

TEST_F(WindowsPaths, JapaneseNamesConvertThroughWidePaths)
{
    const fs::path output = dir.Path() / U8("ログ") / U8("出力.kml");
    ProcFile(Log(), output, Settings());
    // The folder holds exactly the names given, spelled in UTF-16.
    std::vector<std::u8string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path() / U8("ログ")))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u8string> { u8"出力.kml", u8"朝の散歩.log" }));
    EXPECT_EQ(ReadFile(output).substr(0, 5), "<?xml");
    EXPECT_EQ(FirstRecordStamp(Log(), 2026), "20070512030405");

    // Another letter case or other slashes name the same log: refused, the log unchanged.
    const fs::path slashed = Slashed(Log().native(), L'\\', L'/');
    EXPECT_EQ(MessageOf<SameFileError>([&] {
        ProcFile(Log(), dir.Path() / U8("ログ") / U8("朝の散歩.LOG"), Settings());
    }),
        SameFile().what());
    EXPECT_EQ(
        MessageOf<SameFileError>([&] { ProcFile(Log(), slashed, Settings()); }), SameFile().what());
    EXPECT_EQ(ReadFile(Log()), TwoFixLog());
}

// A drive letter that names no drive, or nothing when every letter is in use.
std::wstring UnusedDrive()
{
    const DWORD used = GetLogicalDrives();
    for (int letter = 'Z'; letter >= 'D'; --letter) {
        if (!(used & (1u << (letter - 'A'))))
            return std::wstring(1, static_cast<wchar_t>(letter)) + L":\\";
    }
    return {};
}

TEST_F(WindowsPaths, FileLayerRefusalsLoseNothing)
{
    const fs::path folder = dir.Path() / U8("ログ");
    fs::create_directory(folder / "sub");
    WriteFile(folder / "kept.kml", "an earlier document");
    WriteFile(folder / "locked.kml", "a document open elsewhere");

    // Another program holds locked.kml open and lets nobody else delete or write it.
    HANDLE other = CreateFileW((folder / "locked.kml").c_str(), GENERIC_READ, FILE_SHARE_READ,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);

    struct TCase
    {
        const char* What;
        fs::path Input;
        fs::path Output;
        std::string Message;
    };
    std::vector<TCase> cases = {
        { "folder as log", folder / "sub", folder / "kept.kml", AccessDenied().what() },
        { "folder as output", Log(), folder / "sub", AccessDenied().what() },
        { "output open elsewhere", Log(), folder / "locked.kml", AccessDenied().what() },
        { "missing folder", Log(), folder / "no" / "out.kml", FileNotFound().what() },
    };
    if (const std::wstring drive = UnusedDrive(); !drive.empty())
        cases.push_back({ "missing drive", Log(), drive + L"out.kml", FileNotFound().what() });

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(
            MessageOf<FileError>([&] { ProcFile(c.Input, c.Output, Settings()); }), c.Message);
    }
    CloseHandle(other);

    EXPECT_EQ(ReadFile(Log()), TwoFixLog());
    EXPECT_EQ(ReadFile(folder / "kept.kml"), "an earlier document");
    EXPECT_EQ(ReadFile(folder / "locked.kml"), "a document open elsewhere");
    EXPECT_TRUE(fs::is_empty(folder / "sub"));
    // No temporary file left behind: the folder holds what it held.
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3u);

    // A device has no end: its name is refused where a log is opened for its first record.
    EXPECT_EQ(MessageOf<FileError>([] { FirstRecordStamp(L"NUL", 2026); }), AccessDenied().what());
}

} // namespace
} // namespace ostrel

#endif
