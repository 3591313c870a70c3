#pragma once

#include "Atlas.h"
#include "FontBuilder.h"

#include <string>
#include <vector>

namespace build {

/// A texts file or a composite sprite description and the file the builder makes of it.
struct SourceFile
{
    std::string name; ///< output path relative to OUT ("TEXTS_BASIC.dat")
    std::string file; ///< the source, a full path
    Origin origin;
};

/// A font as the manifest asks for it; the characters are resolved by the builder.
struct FontEntry
{
    FontSpec spec;
    std::string characters; ///< "32-126,160-255" ranges (decimal or U+hex) or ""
    bool fromTexts = false; ///< every character of the game's texts too
};

/// The builder's reading of SRC/game.lua: plain Lua assignments, paths relative to it.
struct Manifest
{
    std::string file;   ///< the manifest's own path
    std::string text;   ///< and its text, for finding the line of a setting
    std::string folder; ///< the source folder, with no trailing '/'
    std::string name;   ///< the game's name, for a configuration made when there is none
    std::string config; ///< the configuration file copied to OUT/config.lua, or ""
    std::vector<std::string> scripts; ///< folders or files of Lua sources to check and encipher
    std::vector<std::string> files;   ///< folders or files copied as they are
    std::vector<AtlasSpec> atlases;
    std::vector<FontEntry> fonts;
    std::vector<SourceFile> texts;
    std::vector<SourceFile> composites;
    bool effects = true; ///< the engine's 2D effects into shaders/
    bool bundle = false;
};

/// Reads the manifest in folder. Throws BuildError naming the manifest (and the line of the
/// setting) for a script error, an unknown setting or a value of the wrong kind.
Manifest readManifest(const std::string& folder);

/// The line of text on which needle first occurs after line `after`, or 0.
int lineOf(const std::string& text, const std::string& needle, int after = 0);
/// The manifest's line holding a quoted text value ("art" or 'art'), or 0.
int lineOfValue(const Manifest& manifest, const std::string& value);

} // namespace build
