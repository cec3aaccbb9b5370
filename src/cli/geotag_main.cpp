// ostrel-geotag: gives photos the positions of a GPS logger's track logs at the times they were
// taken, from the command line.

#include "cli/geotag_command.h"
#include "core/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    // A standard stream closed by the caller gets a stand-in that fails every transfer: otherwise
    // the first file opened would take its number, and the rows would land in a photo's file.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    }
    ostrel::RemoveTemporariesOnSignals();
    const int status = ostrel::cli::RunGeotag(argc, argv, std::cout, std::cerr);
    errno = 0;
    if (std::fclose(stdout) != 0 && status == 0) {
        std::fprintf(stderr, "ostrel-geotag: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}
