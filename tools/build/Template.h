#pragma once

#include <string>

namespace build {

/// Writes a new game's source folder into dir (which must not exist or be empty): a
/// manifest, a configuration, the start-up scripts, one atlas folder, a font and a text file.
/// Built and run, it shows a sprite, a line of text and a falling box. Throws BuildError.
void createGame(const std::string& dir);

} // namespace build
