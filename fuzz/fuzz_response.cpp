// libFuzzer target: the response-file reader and the positional arguments (see entries.h).

#include <cstdio>
#include <cstdlib>

#include "entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const char* why = fuzzentry::CheckResponse(data, size)) {
        fprintf(stderr, "fuzz_response: %s\n", why);
        abort();
    }
    return 0;
}
