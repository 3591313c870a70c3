#pragma once

#include "Output.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace build {

/// A TrueType or OpenType file rendered at one pixel size into a glyph atlas and a font file.
struct FontSpec
{
    std::string name;     ///< output path without extension, relative to OUT ("fonts/body")
    std::string fontFile; ///< the .ttf / .otf file
    int size = 16;        ///< pixels per em
    /// The characters wanted, each with where it was asked for ("game.lua:12",
    /// "texts.tsv:7"), so a character the font lacks is reported where it came from.
    std::map<uint32_t, std::string> characters;
    int tracking = 0;     ///< extra pixels after each glyph
    int outline = 0;      ///< pixels of dark outline around each glyph; 0 for none
    int shadowX = 0;      ///< offset of a dark drop shadow; both 0 for none
    int shadowY = 0;
    int padding = 1;
    int maxSize = 2048;
    Origin origin;
};

struct FontResult
{
    std::vector<OutputFile> files; ///< name.png and name.dat
    /// One line per glyph whose ink reaches outside its advance and was cut there.
    std::vector<std::string> clipped;
    /// What the builder shows: one line naming the clipped glyphs, when there are any.
    std::vector<std::string> warnings;
    /// What the engine will compute from the file: the largest baseline, the largest depth
    /// below it, and the file's leading and tracking.
    int maxAscent = 0;
    int maxDescent = 0;
    int leading = 0;
    int tracking = 0;
};

/// Renders and packs the glyphs. Throws BuildError naming the font file (and where the
/// character was asked for) for a character the font lacks, or the font file when it can't
/// be read.
FontResult buildFont(const FontSpec& spec);

} // namespace build
