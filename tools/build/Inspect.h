#pragma once

#include <ostream>
#include <string>

namespace build {

/// Writes the contents of one of the engine's data files as readable text: chunk files
/// (texts by id and language, sprites with rectangles and pivots, composite sprites and their
/// parts, font glyphs and metrics), a bundle index, an enciphered script or save (deciphered),
/// an image's header. Throws BuildError naming the file when it is none of these or is damaged.
void inspectFile(const std::string& path, std::ostream& out);

} // namespace build
