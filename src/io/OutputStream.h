#pragma once

#include "lang/Object.h"
#include "lang/String.h"

namespace io {

/// A destination of bytes.
class OutputStream : public lang::Object
{
public:
    /// Writes length bytes of data or throws.
    virtual void write(const void* data, int length) = 0;
    /// The stream's name, the {0} of its error messages.
    virtual lang::String toString() const = 0;
};

} // namespace io
