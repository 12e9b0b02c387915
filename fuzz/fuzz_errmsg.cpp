// libFuzzer target: the reader of the error message file (see entries.h).

#include <cstdio>
#include <cstdlib>

#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const char* why = fuzzentry::CheckErrMsg(data, size)) {
        fprintf(stderr, "fuzz_errmsg: %s\n", why);
        abort();
    }
    return 0;
}
