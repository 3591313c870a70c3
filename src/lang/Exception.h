#pragma once

#include "lang/Throwable.h"

namespace lang {

/// General failures everywhere.
class Exception : public Throwable
{
public:
    using Throwable::Throwable;
};

} // namespace lang
