#pragma once

#include "lang/String.h"

namespace io {

/// The process-wide application-data directory, the base of AppDataInputStream and
/// AppDataOutputStream. Set once by the application frame at start-up, before any such
/// stream opens; empty until then (names are then relative to the working directory).
void setApplicationDataPath(const lang::String& path);
const lang::String& applicationDataPath();

} // namespace io
