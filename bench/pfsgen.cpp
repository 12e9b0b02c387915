// pfsgen [--prose | --typed] SIZE OUT [SEED]
//
// Writes a generated PFS document of about SIZE bytes to OUT: the mixed
// document (headings, indents, enhanced runs, tables, commands, format
// lines, double spacing), with --prose plain running text in long
// paragraphs, or with --typed short typed paragraphs (indentation spaces,
// commands, enhanced words and control codes every few lines).  SIZE is a byte count with an
// optional K or M suffix (powers of 1024); the same arguments give the same bytes on every machine.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "generate.h"
#include "prose.h"
#include "save.h"
#include "typed.h"

static bool ParseSize(const char* text, size_t* out) {
    char* end = nullptr;
    errno = 0;
    unsigned long long v = strtoull(text, &end, 10);
    if (errno != 0 || end == text)
        return false;
    if (*end == 'k' || *end == 'K') {
        v *= 1024ull;
        ++end;
    } else if (*end == 'm' || *end == 'M') {
        v *= 1024ull * 1024ull;
        ++end;
    }
    if (*end != '\0' || v == 0)
        return false;
    *out = (size_t)v;
    return true;
}

int main(int argc, char** argv) {
    size_t size = 0;
    const bool prose = argc > 1 && strcmp(argv[1], "--prose") == 0;
    const bool typed = argc > 1 && strcmp(argv[1], "--typed") == 0;
    if (prose || typed) {
        --argc;
        ++argv;
    }
    if (argc < 3 || argc > 4 || !ParseSize(argv[1], &size)) {
        fprintf(stderr, "usage: pfsgen [--prose | --typed] SIZE[K|M] OUT [SEED]\n");
        return 2;
    }
    uint32_t seed = 1;
    if (argc == 4)
        seed = (uint32_t)strtoul(argv[3], nullptr, 10);

    std::vector<uint8_t> doc = prose   ? GenerateProse(size, seed)
                               : typed ? GenerateTyped(size, seed)
                                       : GenerateDocument(size, seed);

    return SaveFile("pfsgen", argv[2], doc) ? 0 : 1;
}
