// One hash for the byte-keyed lookup tables (group signatures, account
// names by SID): FNV-1a over bytes.
#pragma once
#include <stdint.h>

inline uint32_t HashBytes(const uint8_t* bytes, uint32_t n) {
    uint32_t h = 2166136261u;
    for (uint32_t i = 0; i < n; i++) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    return h;
}
