#include "core/test_support.h"

#include "conversion/conversion.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace ostrel::test {

namespace fs = std::filesystem;

TTempDir::TTempDir()
{
    static std::atomic<unsigned> counter { 0 };
    std::random_device seed;
    for (;;) {
        path_ = fs::temp_directory_path()
            / ("ostrel-test-" + std::to_string(seed()) + "-" + std::to_string(counter++));
        if (fs::create_directory(path_))
            return;
    }
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string RecordLine(std::string_view time, std::string_view lat, std::string_view lon,
    std::string_view date, std::string_view status, std::string_view tag)
{
    std::string line = "      ,      , ,           ,N,            ,E,000,      ,,,A*";
    auto put = [&line](std::size_t column, std::size_t width, std::string_view field) {
        std::string text(field.substr(0, width));
        text.resize(width, ' ');
        line.replace(column - 1, width, text);
    };
    put(1, 6, tag);
    put(8, 6, time);
    put(15, 1, status);
    put(17, 11, lat);
    put(31, 12, lon);
    put(50, 6, date);
    if (line.size() != 60)
        throw std::logic_error("record line template is not 60 characters");
    return line;
}

TConvertSettings Settings(int currentYear)
{
    TConvertSettings settings;
    settings.CurrentYear = currentYear;
    return settings;
}

std::string TwoFixLog()
{
    return RecordLine("030405", "3539.1000", "13945.1000", "120507") + "\r\n"
        + RecordLine("030505", "3539.1100", "13945.1000", "120507") + "\r\n";
}

std::string Visible(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string FirstDifference(std::string_view expected, std::string_view actual)
{
    if (expected == actual)
        return {};
    std::size_t line = 1, start = 0, i = 0;
    for (; i < expected.size() && i < actual.size() && expected[i] == actual[i]; ++i) {
        if (expected[i] == '\n') {
            ++line;
            start = i + 1;
        }
    }
    auto lineAt = [start](std::string_view text) {
        std::size_t end = text.find('\n', start);
        return Visible(text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start + 1));
    };
    return "line " + std::to_string(line) + ":\n  expected: " + lineAt(expected)
        + "\n  actual:   " + lineAt(actual);
}

std::string ConvertLines(const std::vector<std::string>& lines, const TConvertSettings& settings,
    std::string_view outputName)
{
    TTempDir dir;
    std::string log;
    for (const std::string& line : lines)
        log += line + "\r\n";
    WriteFile(dir / "in.log", log);
    ProcFile(dir / "in.log", dir / outputName, settings);
    return ReadFile(dir / outputName);
}

} // namespace ostrel::test
