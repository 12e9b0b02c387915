#include "common/paths.h"

#include <cstring>

void GetDirPart(char* out, size_t outSize, const char* path, size_t maxChars) {
    if (outSize == 0)
        return;
    out[0] = '\0';
    if (path == nullptr)
        return;
    size_t len = strnlen(path, maxChars);
    if (len > outSize - 1)
        len = outSize - 1;
    size_t cut = 0;
    for (size_t i = 0; i < len; ++i)
        if (path[i] == '/')
            cut = i + 1;
    if (cut == 0)
        for (size_t i = 0; i < len; ++i)
            if (path[i] == ':')
                cut = i + 1;
    memcpy(out, path, cut);
    out[cut] = '\0';
}
