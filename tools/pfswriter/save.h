// Writing a generated document to a file, for the generator programs.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Writes bytes to path; false, with a message naming prog, on failure.
inline bool SaveFile(const char* prog, const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot create %s: %s\n", prog, path.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "%s: cannot write %s\n", prog, path.c_str());
    return ok;
}
