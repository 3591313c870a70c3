#pragma once

#include <string>

namespace build {

/// The folder of the engine's own data that games are built with: the 2D effects
/// ("effects/") and the new-game template ("template/"). An installed builder finds it in
/// ../share/pelterra beside its own folder; one run from the build tree, in the sources.
std::string shareDir();

/// The folder holding the running program.
std::string programDir();

} // namespace build
