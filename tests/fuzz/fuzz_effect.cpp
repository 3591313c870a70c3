// Effect files with their includes and shader stages. The input is up to six files
// separated by zero bytes: main.fx, then a.fxh, sub/b.fxh, vs.glsl, fs.glsl and sub/c.glsl
// beside it. They reach the parser the way a game's packed effects do, as windows of one
// container through an installed bundle, so every other name fails to open.

#include "FuzzSupport.h"

#include "gr/EffectParser.h"
#include "io/FileBundle.h"

#include <algorithm>
#include <string>

namespace {

const char* const kFiles[] = {"main.fx", "a.fxh", "sub/b.fxh", "vs.glsl", "fs.glsl", "sub/c.glsl"};

class NullBuilder : public gr::EffectBuilder
{
public:
    void vertexShader(const lang::String&, const lang::String&) override {}
    void fragmentShader(const lang::String&, const lang::String&) override {}
    void endPass(const lang::String&, const lang::String&, const gr::RenderState&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // Three steps up from the folder of sub/ would leave the fuzzer's own folder for the
    // machine's files.
    size_t ups = 0;
    for (size_t at = bytes.find(".."); at != std::string::npos; at = bytes.find("..", at + 2))
        ++ups;
    if (ups >= 3)
        return 0;

    const fuzz::Scratch& scratch = fuzz::Scratch::get();
    scratch.write("data/effects.bin", bytes.data(), bytes.size());
    std::string index;
    size_t begin = 0;
    for (const char* name : kFiles) {
        if (begin > bytes.size())
            break;
        const size_t end = std::min(bytes.find('\0', begin), bytes.size());
        index += "effects.bin,fx/" + std::string(name) + "," + std::to_string(begin) + "," + std::to_string(end - begin) + "\n";
        begin = end + 1;
    }
    const std::string indexFile = scratch.write("data/effects.idx", index.data(), index.size());
    const lang::String directory = (scratch / "data").c_str();

    lang::Ptr<io::FileBundle> bundle = new io::FileBundle;
    bundle->load(directory, indexFile.c_str());
    io::FileBundle::install(bundle.ptr());
    try {
        gr::EffectParser parser;
        NullBuilder builder;
        parser.parse(directory + "/fx/main.fx", builder);
    } catch (const lang::Throwable&) {
    }
    io::FileBundle::install(nullptr);
    return 0;
}
