#pragma once

// What the harnesses share: a quiet log, a private folder for the readers that open files by
// name, and stand-ins for the context and the sprite registry that the resource files reach.

#include "../game/DrawingContext.h" // SizedTexture: the resource readers need only a size
#include "gr/Context.h"
#include "lang/Debug.h"
#include "lang/String.h"
#include "lang/Throwable.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

/// Every engine exception logs a line as it is made: millions of them would drown the
/// fuzzer's own output.
inline void quiet()
{
    static const bool done = [] {
        lang::setLogSink([](const char*, void*) {}, nullptr);
        return true;
    }();
    (void)done;
}

/// A folder of this process's own under TMPDIR (or /tmp), removed at exit, for the readers
/// that take a file name: the input is written there before each run.
class Scratch
{
public:
    static Scratch& get()
    {
        static Scratch scratch;
        return scratch;
    }

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    /// Writes size bytes of data to name (folders made as needed); returns the full path.
    std::string write(const std::string& name, const void* data, size_t size) const
    {
        const std::string file = *this / name;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out) {
            std::perror(file.c_str());
            std::abort(); // a harness that can't write its input would test nothing
        }
        if (size > 0)
            std::fwrite(data, 1, size, out);
        std::fclose(out);
        return file;
    }

private:
    std::string m_path;

    Scratch()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/pelterra-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            std::perror(pattern.c_str());
            std::abort();
        }
        m_path = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
};

/// A context without a window: every image it loads is a 64 x 32 stand-in, whatever the
/// name, and what it draws goes nowhere.
class NullContext : public gr::Context
{
public:
    NullContext() { resize(320, 240); }
    int kind() const override { return KIND_GL2; }
    void present() override {}
    void clear(uint32_t, bool, bool, bool) override {}
    void flipFrontFace() override {}

protected:
    void applyViewport(const int[4]) override {}
    void applyScissor(const int[4]) override {}
    lang::Ptr<gr::Texture> loadTextureFile(const lang::String& fileName, bool) override
    {
        lang::Ptr<gr::Texture> texture = new SizedTexture(64, 32);
        texture->setName(fileName);
        return texture;
    }
};

} // namespace fuzz
