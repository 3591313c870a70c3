#pragma once

#include "io/IOException.h"

namespace io {

/// Malformed data in a file.
class DataCorruptedException : public IOException
{
public:
    using IOException::IOException;
};

} // namespace io
