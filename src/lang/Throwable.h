#pragma once

#include "lang/Format.h"

namespace lang {

/// The root of the engine's exceptions: a Format rendered only when shown.
///
/// Exceptions are plain values thrown and caught by type. Constructing one logs its
/// message (the first 255 characters) so that a failure caught and dropped somewhere
/// still leaves a trace.
class Throwable
{
public:
    Throwable();
    explicit Throwable(const Format& format);

    /// The whole message, rendered now.
    String getMessage() const { return m_format.toString(); }
    const Format& getFormat() const { return m_format; }

private:
    Format m_format;
};

} // namespace lang
