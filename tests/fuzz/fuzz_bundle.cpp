// The bundle index: "container,name,offset,size" groups. Once read, the bundle is installed
// and the entries of a few names are opened and read through it; the index file itself lies
// in the data folder as "bundle.idx", so an entry can take its window from it.

#include "FuzzSupport.h"

#include "io/FileBundle.h"
#include "io/FileInputStream.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const fuzz::Scratch& scratch = fuzz::Scratch::get();
    const std::string index = scratch.write("data/bundle.idx", data, size);
    const lang::String directory = (scratch / "data").c_str();
    try {
        lang::Ptr<io::FileBundle> bundle = new io::FileBundle;
        bundle->load(directory, index.c_str());
        io::FileBundle::install(bundle.ptr());
        for (const char* name : {"a", "b.png", "bundle.idx", "sub/c.lua"}) {
            const lang::String path = directory + "/" + name;
            if (!bundle->contains(path))
                continue;
            bundle->getFile(path);
            try {
                io::FileInputStream in(path);
                std::vector<uint8_t> bytes(static_cast<size_t>(in.available()) + 1);
                in.read(bytes.data(), in.available());
                in.seek(0, 0);
                in.skip(3);
                in.seek(-1, 2);
                in.read(bytes.data(), 1);
                in.seek(1, 1);
            } catch (const lang::Throwable&) {
            }
        }
        bundle->getSize(directory + "/missing");
    } catch (const lang::Throwable&) {
    }
    io::FileBundle::install(nullptr);
    return 0;
}
