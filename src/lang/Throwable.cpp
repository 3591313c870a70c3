#include "lang/Throwable.h"

#include "lang/Debug.h"

namespace lang {

Throwable::Throwable() : Throwable(Format(String()))
{
}

Throwable::Throwable(const Format& format) : m_format(format)
{
    // Rendering first means a malformed message throws its FormatException from here.
    char message[256];
    m_format.format(message, sizeof(message));
    log("Created Throwable( \"%s\" )\n", message);
}

} // namespace lang
