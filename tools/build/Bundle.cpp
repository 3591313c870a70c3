#include "Bundle.h"

#include "BuildError.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace build {

namespace {

const char* const INDEX = "bundleIndex.idx";
const int64_t CONTAINER_LIMIT = int64_t(1) << 30;

std::string containerName(int number)
{
    return number == 1 ? std::string("data.pak") : "data-" + std::to_string(number) + ".pak";
}

} // namespace

std::vector<uint8_t> BundleContents::read(const std::string& path) const
{
    const Entry& entry = m_entries.at(path);
    const std::string container = m_folder + "/" + entry.container;
    std::ifstream in(container, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(entry.size));
    if (!in.seekg(entry.offset) || !in.read(reinterpret_cast<char*>(bytes.data()), entry.size))
        throw BuildError(container, "cannot read " + path + " from it: delete the output folder and build again");
    return bytes;
}

std::vector<std::string> BundleContents::files() const
{
    std::vector<std::string> result{INDEX};
    for (const auto& entry : m_entries) {
        if (std::find(result.begin(), result.end(), entry.second.container) == result.end())
            result.push_back(entry.second.container);
    }
    return result;
}

BundleContents readBundle(const std::string& folder)
{
    BundleContents bundle;
    bundle.m_folder = folder;
    std::ifstream in(folder + "/" + INDEX);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> tokens;
        std::stringstream fields(line);
        for (std::string token; std::getline(fields, token, ',');)
            tokens.push_back(token);
        if (tokens.size() != 4)
            continue;
        try {
            bundle.m_entries[tokens[1]] = {tokens[0], std::stoll(tokens[2]), std::stoll(tokens[3])};
        } catch (const std::exception&) {
            return BundleContents();
        }
    }
    return bundle;
}

std::vector<OutputFile> packBundle(const std::vector<OutputFile>& files)
{
    std::vector<const OutputFile*> sorted;
    for (const OutputFile& file : files)
        sorted.push_back(&file);
    std::sort(sorted.begin(), sorted.end(), [](const OutputFile* a, const OutputFile* b) { return a->path < b->path; });

    std::vector<OutputFile> containers;
    std::ostringstream index;
    for (const OutputFile* file : sorted) {
        if (file->path.find_first_of(",\n\r") != std::string::npos)
            throw BuildError(file->path, "a bundled file's name may hold no comma and no line break");
        if (static_cast<int64_t>(file->bytes.size()) >= CONTAINER_LIMIT)
            throw BuildError(file->path, "a bundled file must be smaller than 1 GiB");
        if (containers.empty() ||
            static_cast<int64_t>(containers.back().bytes.size() + file->bytes.size()) >= CONTAINER_LIMIT)
            containers.push_back({containerName(static_cast<int>(containers.size()) + 1), {}});
        OutputFile& container = containers.back();
        index << container.path << "," << file->path << "," << container.bytes.size() << "," << file->bytes.size()
              << "\n";
        container.bytes.insert(container.bytes.end(), file->bytes.begin(), file->bytes.end());
    }
    const std::string text = index.str();
    containers.push_back({INDEX, std::vector<uint8_t>(text.begin(), text.end())});
    return containers;
}

} // namespace build
