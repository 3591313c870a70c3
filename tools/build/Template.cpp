#include "Template.h"

#include "BuildError.h"

namespace build {

void createGame(const std::string& dir)
{
    throw BuildError(dir, "new: not built yet");
}

} // namespace build
