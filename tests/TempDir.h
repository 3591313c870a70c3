#pragma once

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

/// A fresh directory under /tmp, removed with everything in it at the end of the test.
class TempDir
{
public:
    TempDir()
    {
        char pattern[] = "/tmp/pelterra-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        m_path = made ? made : "";
    }
    ~TempDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(*this / name, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream in(*this / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    /// The names in the directory, "." and ".." left out.
    std::vector<std::string> list() const
    {
        std::vector<std::string> names;
        if (DIR* dir = opendir(m_path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }

private:
    std::string m_path;
};
