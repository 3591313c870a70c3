#pragma once

#include "lang/String.h"

#include <cstdio>

namespace io {

/// The name as shown in an open failure: whole up to 128 characters, else "... " and the
/// last 124, so that the message shows the part of a long path that tells files apart.
lang::String displayName(const lang::String& name);

/// Bytes from the current position of file to its end, measured by seeking to the end
/// and back. Returns -1 when a seek or tell fails.
long bytesToEnd(std::FILE* file);

} // namespace io
