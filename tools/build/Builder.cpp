#include "Builder.h"

#include "BuildError.h"

namespace build {

BuildReport buildGame(const BuildOptions& options, std::ostream&)
{
    throw BuildError(options.source, "build: not built yet");
}

} // namespace build
