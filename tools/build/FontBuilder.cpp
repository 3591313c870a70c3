#include "FontBuilder.h"

#include "BuildError.h"

namespace build {

FontResult buildFont(const FontSpec& spec)
{
    throw BuildError(spec.origin.file, spec.origin.line, "fonts: not built yet");
}

} // namespace build
