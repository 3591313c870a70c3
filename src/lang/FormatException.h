#pragma once

#include "lang/Exception.h"

namespace lang {

/// A malformed format string; the message names the string and the position of the fault.
class FormatException : public Exception
{
public:
    using Exception::Exception;
};

} // namespace lang
