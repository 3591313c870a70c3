#include "Package.h"

#include "BuildError.h"

namespace build {

std::string packageGame(const std::string& built, const std::string&, bool)
{
    throw BuildError(built, "package: not built yet");
}

} // namespace build
