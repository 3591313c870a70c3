#pragma once

#include <string>

namespace build {

/// Copies the engine executable and the built game in `built` into the folder dest, with a
/// start script dest/run; with tar, packs that folder into dest.tar.gz instead. Returns
/// what it made. Throws BuildError.
std::string packageGame(const std::string& built, const std::string& dest, bool tar);

} // namespace build
