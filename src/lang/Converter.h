#pragma once

#include "lang/Object.h"
#include "lang/String.h"

namespace lang {

/// Converts text from one byte encoding to another.
class Converter : public Object
{
public:
    /// Converts length bytes at source and returns the converted bytes. Input that cannot
    /// be decoded, or code points the target cannot hold, produce nothing.
    virtual String convert(const void* source, int length) const = 0;
};

} // namespace lang
