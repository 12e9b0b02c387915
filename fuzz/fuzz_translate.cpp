// libFuzzer target: the whole translation of arbitrary bytes (see entries.h).

#include <cstdio>
#include <cstdlib>

#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const char* why = fuzzentry::CheckTranslate(data, size)) {
        fprintf(stderr, "fuzz_translate: %s\n", why);
        abort();
    }
    return 0;
}
