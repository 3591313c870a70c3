#pragma once

#include "io/SavingOutputStream.h"

namespace io {

/// Writes a file, replacing it only once the writing is complete.
class FileOutputStream : public SavingOutputStream
{
public:
    /// Opens path; throws FileNotFoundException "Failed to open {0} for writing".
    explicit FileOutputStream(const lang::String& path);
};

} // namespace io
