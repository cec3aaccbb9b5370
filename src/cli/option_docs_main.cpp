// ostrel-option-docs: makes the manual page or the bash completion of ostrel-convert (or of
// ostrel-geotag) from its template and its option table, at build time.
//
//   ostrel-option-docs man|completion TEMPLATE OUTPUT [ostrel-convert|ostrel-geotag]

#include "cli/geotag_options.h"
#include "cli/option_docs.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    const std::string program = argc == 5 ? argv[4] : ostrel::cli::kProgramName;
    if ((argc != 4 && argc != 5)
        || (program != ostrel::cli::kProgramName && program != ostrel::cli::kGeotagProgramName)) {
        std::cerr << "usage: ostrel-option-docs man|completion TEMPLATE OUTPUT "
                     "[ostrel-convert|ostrel-geotag]\n";
        return 2;
    }
    try {
        std::ifstream in(argv[2], std::ios::binary);
        if (!in)
            throw std::runtime_error(std::string("cannot read ") + argv[2]);
        const std::string text { std::istreambuf_iterator<char>(in), {} };
        const std::string filled = ostrel::cli::FilledTemplate(argv[1], text,
            program == ostrel::cli::kProgramName ? ostrel::cli::CommandLineOptions()
                                                 : ostrel::cli::GeotagCommandLineOptions());
        std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
        out << filled;
        out.close();
        if (!out)
            throw std::runtime_error(std::string("cannot write ") + argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "ostrel-option-docs: " << argv[2] << ": " << e.what() << '\n';
        return 1;
    }
    return 0;
}
