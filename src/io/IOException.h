#pragma once

#include "lang/Exception.h"

namespace io {

/// Stream and file failures.
class IOException : public lang::Exception
{
public:
    using lang::Exception::Exception;
};

} // namespace io
