#pragma once

#include "io/IOException.h"

namespace io {

/// A file that could not be opened.
class FileNotFoundException : public IOException
{
public:
    using IOException::IOException;
};

} // namespace io
