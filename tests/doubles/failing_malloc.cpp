// Covers nothing itself: a malloc for a test copy of pfs2vnk (pfs2vnk_failing_malloc), linked
// with -Wl,--wrap=malloc so that only the program's own calls come here, not the C library's.
// With FAIL_MALLOC_AT=N in the environment the Nth call and every later one get no memory.
#include <cstddef>
#include <cstdlib>

extern "C" void* __real_malloc(size_t size);

extern "C" void* __wrap_malloc(size_t size) {
    static const long failAt = [] {
        const char* v = getenv("FAIL_MALLOC_AT");
        return v != nullptr ? atol(v) : 0;
    }();
    static long calls = 0;
    if (failAt > 0 && ++calls >= failAt)
        return nullptr;
    return __real_malloc(size);
}
