// libFuzzer target: the stream inspector on arbitrary streams (see entries.h).

#include <cstdio>
#include <cstdlib>

#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const char* why = fuzzentry::CheckVnkDump(data, size)) {
        fprintf(stderr, "fuzz_vnkdump: %s\n", why);
        abort();
    }
    return 0;
}
