// The deterministic split of the work into shards.
#pragma once

#include <cstdint>
#include <string_view>

// FNV-1a, 64 bits, over the bytes of text.
uint64_t Fnv1a64(std::string_view text);

// The shard (1..n) a document belongs to: 1 + Fnv1a64(its path relative to
// the source folder) mod n.  Every machine computes the same shares.
uint32_t ShardOf(std::string_view relativePath, uint32_t n);
