// ostrel-convert: converts GPS logger track logs into NMEA logs, KML documents and GPX files from
// the command line.

#include "cli/convert_command.h"
#include "core/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// After windows.h, which it needs.
#include <shellapi.h>

namespace {

// The arguments as UTF-8, from the wide command line: the narrow argv of Windows holds only
// what the ANSI code page can spell, and Japanese file names must survive.
std::vector<std::string> Utf8Arguments()
{
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return args;
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
        if (size > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.pop_back(); // the terminating zero
        args.push_back(std::move(text));
    }
    LocalFree(wide);
    return args;
}

} // namespace

int main()
{
    ostrel::RemoveTemporariesOnSignals();
    // The lines written are UTF-8 (file names, error messages in Japanese). The console's own
    // code page is given back when the program ends, since the setting outlives the process.
    static const UINT consoleCodePage = GetConsoleOutputCP();
    std::atexit([] { SetConsoleOutputCP(consoleCodePage); });
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> args = Utf8Arguments();
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int status
        = ostrel::cli::RunConvert(static_cast<int>(args.size()), argv.data(), std::cout, std::cerr);
    std::cout.flush();
    return status;
}
#else
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    // A standard stream closed by the caller gets a stand-in that fails every transfer: otherwise
    // the first file opened would take its number, and the report lines would land in an output.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    }
    ostrel::RemoveTemporariesOnSignals();
    const int status = ostrel::cli::RunConvert(argc, argv, std::cout, std::cerr);
    // Closing standard output may fail too (a full disk, a network file system): reported like a
    // failed write, unless the run has failed already.
    errno = 0;
    if (std::fclose(stdout) != 0 && status == 0) {
        std::fprintf(stderr, "ostrel-convert: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}
#endif
