#include "Inspect.h"

#include "BuildError.h"

namespace build {

void inspectFile(const std::string& path, std::ostream&)
{
    throw BuildError(path, "inspect: not built yet");
}

} // namespace build
