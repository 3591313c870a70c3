#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace build {

/// One file a build step makes: its path relative to the output directory ('/'-separated)
/// and its bytes. Steps only make them; the builder writes them once every step succeeded.
struct OutputFile
{
    std::string path;
    std::vector<uint8_t> bytes;
};

/// Where a setting came from, for messages: the manifest file and the line of its entry.
struct Origin
{
    std::string file;
    int line = 0;
};

} // namespace build
