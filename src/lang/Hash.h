#pragma once

#include "lang/String.h"

#include <cstdint>

namespace lang {

/// The hash functions of Hashtable keys. A key's bucket is its hash with the sign bit
/// cleared, modulo the bucket count.
template <class K>
struct Hash
{
    static int32_t hash(K key) { return static_cast<int32_t>(key); }
};

/// h = 31h + c over the bytes taken as signed values, in 32-bit arithmetic. Bytes above
/// 127 contribute negative values; saved files and drawing order follow the iteration
/// order this gives, so it must not change.
template <>
struct Hash<String>
{
    static int32_t hash(const String& key) { return hash(key.view()); }
    static int32_t hash(const char* key) { return hash(std::string_view(key)); }
    /// The same hash of bytes not held in a String, for Hashtable::findAs.
    static int32_t hash(std::string_view key)
    {
        uint32_t h = 0;
        for (char c : key)
            h = h * 31u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
        return static_cast<int32_t>(h);
    }
};

template <>
struct Hash<float>
{
    static int32_t hash(float key)
    {
        union { float f; int32_t i; } bits;
        bits.f = key == 0.0f ? 0.0f : key; // -0 and +0 are one key
        return bits.i;
    }
};

} // namespace lang
