#pragma once

#include "Output.h"

#include <string>
#include <vector>

namespace build {

/// A folder of PNG images packed into atlas pages and sprite sheets.
struct AtlasSpec
{
    std::string name;       ///< output path without extension, relative to OUT ("sprites/game")
    std::string imagesDir;  ///< the folder of PNG images (sub-folders too)
    std::string pivotsFile; ///< optional; "" when there is none
    int maxSize = 2048;     ///< the largest page side
    int padding = 2;        ///< transparent pixels between two sprites' extruded edges
    int extrude = 1;        ///< edge pixels repeated around each sprite
    bool powerOfTwo = false;
    bool trim = true;       ///< transparent borders cut away, pivots kept where they were
    Origin origin;          ///< the manifest entry, for messages
};

struct AtlasResult
{
    /// name.png and name.dat for the first page, name-2.png and name-2.dat for the second...
    std::vector<OutputFile> files;
    /// Every sprite name, in the order written.
    std::vector<std::string> sprites;
    /// What the build should hear about but that doesn't stop it (a folder without images).
    std::vector<std::string> warnings;
};

/// The files an atlas reads: every PNG under imagesDir (sorted) and the pivots file.
std::vector<std::string> atlasInputs(const AtlasSpec& spec);

/// Reads, trims, packs and writes the atlas. Throws BuildError naming the file (and line) of
/// a bad input: a file that is not a PNG, a sprite name used twice, a bad pivot line, an
/// image larger than a page.
AtlasResult buildAtlas(const AtlasSpec& spec);

} // namespace build
