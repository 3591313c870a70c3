#pragma once

#include "lang/Object.h"
#include "lang/String.h"

namespace io {

/// A source of bytes. Every failure throws an io exception whose message names the
/// stream by its toString().
class InputStream : public lang::Object
{
public:
    /// Reads up to length bytes into buffer; a count below length means end of data.
    virtual int read(void* buffer, int length) = 0;
    /// Skips up to count bytes; returns the number skipped.
    virtual int skip(int count) = 0;
    /// Moves the position: origin 0 from the start, 1 from the current position, 2 from the
    /// end (offset zero or negative). Returns false, without moving, for another origin.
    virtual bool seek(int offset, int origin) = 0;
    /// Bytes left from the current position to the end.
    virtual int available() const = 0;
    /// The stream's name, the {0} of its error messages.
    virtual lang::String toString() const = 0;
};

} // namespace io
