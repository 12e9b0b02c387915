// FNV-1a hashing of relative paths into shards.

#include "shard.h"

uint64_t Fnv1a64(std::string_view text) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

uint32_t ShardOf(std::string_view relativePath, uint32_t n) {
    return 1 + static_cast<uint32_t>(Fnv1a64(relativePath) % n);
}
