// Runs a fuzz target once on each file named on the command line, as libFuzzer does when it is
// given files, but without libFuzzer: the tests build it with their own compiler and replay the
// inputs of fuzz/regressions through the target's code. A failed check aborts the run; exit
// status 0 means every input passed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s INPUT...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in.is_open()) {
            std::fprintf(stderr, "cannot open %s\n", argv[i]);
            return 2;
        }
        const std::vector<char> bytes(
            (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // A buffer of exactly the input's size, as libFuzzer gives it, so that a sanitizer sees
        // any read past its end.
        const std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), data.get());
        std::fprintf(stderr, "%s: %zu bytes\n", argv[i], bytes.size());
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    return 0;
}
