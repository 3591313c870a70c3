#pragma once

#include <ostream>
#include <string>

namespace build {

struct BuildOptions
{
    std::string source; ///< the folder holding game.lua
    std::string output; ///< the data directory to write
    bool bundle = false; ///< pack the output (also when the manifest says bundle = true)
    bool quiet = false;  ///< no progress lines
};

/// What a build did.
struct BuildReport
{
    int stepsRun = 0;      ///< steps whose inputs changed
    int stepsSkipped = 0;  ///< steps whose outputs were up to date
    int filesWritten = 0;  ///< files whose bytes changed
    int filesRemoved = 0;  ///< outputs of an earlier build that no step makes any more
};

/// Builds the data directory from the manifest SOURCE/game.lua. Progress lines and warnings
/// (missing translations, clipped glyphs) go to `log`. Every step runs before anything is
/// written: a bad input throws BuildError naming the file and line and leaves the output as
/// it was.
BuildReport buildGame(const BuildOptions& options, std::ostream& log);

} // namespace build
