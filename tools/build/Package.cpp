#include "Package.h"

#include "BuildError.h"
#include "Share.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace build {

namespace fs = std::filesystem;

namespace {

// The Debian 12 packages whose libraries the engine loads; everything else it needs is
// linked in.
const char* const RUNTIME_PACKAGES =
    "libsdl2-2.0-0 libglew2.2 libgl1 libgl1-mesa-dri libpng16-16 libjpeg62-turbo libmpg123-0 libgcrypt20";

/// The engine beside an installed builder (bin/), or in the build tree (src/ beside tools/).
fs::path engine()
{
    for (const fs::path& candidate : {fs::path(programDir()) / "pelterra", fs::path(programDir()) / ".." / "src" / "pelterra"}) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error))
            return fs::canonical(candidate);
    }
    throw BuildError(programDir(), "the engine executable pelterra is not beside pelterra-build");
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

std::string packageGame(const std::string& built, const std::string& dest, bool tar)
{
    std::error_code error;
    if (!fs::is_regular_file(fs::path(built) / "config.lua", error))
        throw BuildError(built, "is not a built game: it has no config.lua (build it with pelterra-build first)");
    const fs::path target = fs::path(dest);
    const std::string name = target.filename().string();
    const fs::path archive = dest + ".tar.gz";
    if (!tar && fs::exists(target, error))
        throw BuildError(dest, "already exists: choose a new folder");
    // Made aside and renamed into place: a failure leaves nothing half-written. An archive
    // unpacks into a folder of the package's name, staged in a folder of its own.
    const fs::path stage = target.parent_path() / ("." + name + ".part");
    const fs::path partial = tar ? stage / name : stage;
    fs::remove_all(stage, error);
    try {
        fs::create_directories(partial / "bin");
        fs::copy_file(engine(), partial / "bin" / "pelterra");
        fs::create_directories(partial / "game");
        for (const auto& entry : fs::directory_iterator(built)) {
            if (entry.path().filename() == ".pelterra-build")
                continue;
            fs::copy(entry.path(), partial / "game" / entry.path().filename(), fs::copy_options::recursive);
        }
        {
            std::ofstream run(partial / "run");
            run << "#!/bin/sh\n"
                   "# Starts the game. It needs these Debian 12 packages:\n"
                   "#   " << RUNTIME_PACKAGES << "\n"
                   "here=$(dirname \"$(readlink -f \"$0\")\")\n"
                   "exec \"$here/bin/pelterra\" \"$here/game/config.lua\" \"$@\"\n";
            if (!run.flush())
                throw BuildError((partial / "run").string(), "cannot write");
        }
        fs::permissions(partial / "run", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                             fs::perms::others_read | fs::perms::others_exec);
        if (tar) {
            const std::string command = "tar -czf " + quoted(archive.string() + ".part") + " -C " +
                                        quoted(stage.string()) + " " + quoted(name);
            const int status = std::system(command.c_str());
            fs::remove_all(stage, error);
            if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                fs::remove(archive.string() + ".part", error);
                throw BuildError(archive.string(), "tar failed");
            }
            fs::rename(archive.string() + ".part", archive);
            return archive.string();
        }
        fs::rename(partial, target);
    } catch (const fs::filesystem_error& e) {
        fs::remove_all(stage, error);
        throw BuildError(dest, std::string("cannot write the package: ") + e.code().message());
    }
    return target.string();
}

} // namespace build
