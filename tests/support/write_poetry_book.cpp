// Writes a book made from the chinese-poetry classics, for the scripts that
// drive the real application: write_poetry_book <path> <charset> [long]
#include "support/PoetryBooks.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <path> <charset> [long]\n", argv[0]);
        return 2;
    }
    std::string problem;
    const bool ok = argc > 3 && std::string(argv[3]) == "long"
                        ? pw::test::writeLongPoetryBook(argv[1], argv[2], &problem)
                        : pw::test::writePoetryBook(argv[1], argv[2], &problem);
    if (!ok)
        std::fprintf(stderr, "%s\n", problem.c_str());
    return ok ? 0 : 1;
}
