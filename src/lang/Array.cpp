#include "lang/Array.h"

#include "lang/OutOfMemoryException.h"

namespace lang {

void throwOutOfMemory()
{
    throw OutOfMemoryException();
}

} // namespace lang
