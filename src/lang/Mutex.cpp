#include "lang/Mutex.h"

namespace lang {

Mutex::Mutex() : m_impl(new MutexImpl)
{
}

} // namespace lang
