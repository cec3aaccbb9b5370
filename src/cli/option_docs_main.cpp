// ostrel-option-docs: makes the manual page or the bash completion of ostrel-convert from its
// template and the option table, at build time.
//
//   ostrel-option-docs man|completion TEMPLATE OUTPUT

#include "cli/option_docs.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: ostrel-option-docs man|completion TEMPLATE OUTPUT\n";
        return 2;
    }
    try {
        std::ifstream in(argv[2], std::ios::binary);
        if (!in)
            throw std::runtime_error(std::string("cannot read ") + argv[2]);
        const std::string text { std::istreambuf_iterator<char>(in), {} };
        const std::string filled = ostrel::cli::FilledTemplate(argv[1], text);
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
