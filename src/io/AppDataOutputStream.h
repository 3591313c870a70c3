#pragma once

#include "io/SavingOutputStream.h"

namespace io {

/// Writes a file of the application-data directory, replacing it only once complete.
class AppDataOutputStream : public SavingOutputStream
{
public:
    /// Opens name relative to the application-data directory; throws IOException
    /// "Failed to open {0} for writing".
    explicit AppDataOutputStream(const lang::String& name);
};

} // namespace io
