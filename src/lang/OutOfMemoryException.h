#pragma once

#include "lang/Exception.h"

namespace lang {

/// A failed allocation in a container; the message is empty.
class OutOfMemoryException : public Exception
{
public:
    OutOfMemoryException() : Exception(Format(String())) {}
};

} // namespace lang
