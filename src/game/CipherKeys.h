#pragma once

#include <cstdint>

namespace game {

/// The two 32-byte keys of this game's data, compiled in and never read from a file:
/// the script key enciphers the game's scripts and levels, the save key the settings and
/// high scores in the application-data directory.
const uint8_t* scriptKey();
const uint8_t* saveKey();

} // namespace game
