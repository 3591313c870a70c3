#pragma once

#include "lang/Exception.h"

namespace lua {

/// A script failure: a compile error, a runtime error with the script call stack, or a
/// value of the wrong type where the engine expected another.
class LuaException : public lang::Exception
{
public:
    using lang::Exception::Exception;
};

} // namespace lua
