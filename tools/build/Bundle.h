#pragma once

#include "Output.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace build {

/// The bundle a build wrote: bundleIndex.idx and the container files it names.
class BundleContents
{
public:
    struct Entry
    {
        std::string container;
        int64_t offset = 0;
        int64_t size = 0;
    };

    bool has(const std::string& path) const { return m_entries.count(path) != 0; }
    /// The bytes of one entry; throws BuildError naming the container when they can't be read.
    std::vector<uint8_t> read(const std::string& path) const;
    /// The index and every container, relative to the output folder.
    std::vector<std::string> files() const;

private:
    friend BundleContents readBundle(const std::string& folder);
    std::string m_folder;
    std::map<std::string, Entry> m_entries;
};

/// The bundle in folder; empty when there is no index or it can't be read.
BundleContents readBundle(const std::string& folder);

/// The container files and the index that hold files: containers "data.pak", "data-2.pak"...
/// each under 1 GiB (the index's offsets are signed 32-bit numbers), entries in path order.
/// Throws BuildError for a path the index can't hold (a comma or a line break in it).
std::vector<OutputFile> packBundle(const std::vector<OutputFile>& files);

} // namespace build
