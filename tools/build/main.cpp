// pelterra-build: the game maker's command. Builds a game's data directory from a source
// folder, looks inside the engine's data files, starts a new game and packages a built one.

#include "BuildError.h"
#include "Builder.h"
#include "ChunkWriter.h"
#include "Inspect.h"
#include "Package.h"
#include "ResourceWriters.h"
#include "Template.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: pelterra-build [build] SRC [OUT] [--bundle] [--quiet]\n"
    "       pelterra-build inspect FILE\n"
    "       pelterra-build new DIR\n"
    "       pelterra-build package OUT DEST [--tar]\n"
    "       pelterra-build (sheet|texts|compo|font) INPUT OUTPUT [--older | --version2]\n"
    "\n"
    "build    reads SRC/game.lua and writes the data directory OUT (default SRC/build): atlases\n"
    "         from folders of PNG images, fonts from TrueType files, texts from tab-separated\n"
    "         files, composite sprites, enciphered scripts and the engine's 2D effects. Only\n"
    "         what changed is rebuilt; nothing is written when an input is bad. --bundle packs\n"
    "         the output into container files and bundleIndex.idx.\n"
    "inspect  prints a data file as text: texts, sprite sheets, composite sprites, fonts, a\n"
    "         bundle index, an enciphered script or save, an image's header.\n"
    "new      writes a new game's source folder: build and run it with ./run.sh DIR.\n"
    "package  copies the engine and the built game OUT into DEST (a folder, or DEST.tar.gz with\n"
    "         --tar) that starts with DEST/run on a machine with the runtime libraries.\n"
    "\n"
    "The single-file writers, from text descriptions ('#' starts a comment line):\n"
    "  sheet  sprite sheet. \"image FILE\", then NAME X Y WIDTH HEIGHT PIVOTX PIVOTY per sprite\n"
    "  texts  localised texts. Tab-separated: \"id<TAB>LANGUAGE...\", then ID<TAB>TEXT... rows;\n"
    "         \\n, \\t and \\\\ in a text are a line break, a tab and a backslash\n"
    "  compo  composite sprites. \"compo NAME\", then SPRITE X Y per part\n"
    "  font   bitmap font. \"image FILE\", \"leading N\", \"tracking N\", then\n"
    "         CODE X Y WIDTH HEIGHT BASELINE per glyph (CODE: 65, U+0041 or 'A')\n"
    "  --older writes a sheet, texts or font in the older layout without the VOXA header;\n"
    "  --version2 writes composite sprites as version 2.\n"
    "\n"
    "Exit status: 0 done, 1 a bad input or a failed write (the message names the file and\n"
    "line), 2 a usage error.\n";

int usage(const std::string& problem)
{
    std::fprintf(stderr, "pelterra-build: %s\n\n%s", problem.c_str(), kUsage);
    return 2;
}

int writeOne(const std::string& kind, const std::vector<std::string>& args)
{
    if (args.size() < 2 || args.size() > 3)
        return usage(kind + " takes INPUT OUTPUT [--older | --version2]");
    const std::string option = args.size() == 3 ? args[2] : "";
    if (!option.empty() && option != "--older" && option != "--version2")
        return usage("unknown option " + option);
    const voxa::Layout layout = option == "--older" ? voxa::Layout::OLDER : voxa::Layout::CHUNKED;
    try {
        const std::string text = voxa::readFile(args[0]);
        std::vector<uint8_t> bytes;
        if (kind == "sheet")
            bytes = voxa::writeSpriteSheet(voxa::parseSpriteList(text), layout);
        else if (kind == "texts")
            bytes = voxa::writeTexts(voxa::parseTextTable(text), layout);
        else if (kind == "compo")
            bytes = voxa::writeCompoSprites(voxa::parseCompoList(text), option == "--version2" ? 2 : 1);
        else
            bytes = voxa::writeFont(voxa::parseGlyphList(text), layout);
        voxa::writeFile(args[1], bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelterra-build: %s: %s\n", args[0].c_str(), e.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    if (args.empty())
        return usage("nothing to do");
    const std::string command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (command == "sheet" || command == "texts" || command == "compo" || command == "font")
            return writeOne(command, rest);
        if (command == "inspect") {
            if (rest.size() != 1)
                return usage("inspect takes one FILE");
            build::inspectFile(rest[0], std::cout);
            return std::cout.flush() ? 0 : 1;
        }
        if (command == "new") {
            if (rest.size() != 1)
                return usage("new takes one DIR");
            build::createGame(rest[0]);
            std::printf("A new game is in %s: ./run.sh %s builds and starts it.\n", rest[0].c_str(), rest[0].c_str());
            return 0;
        }
        if (command == "package") {
            std::vector<std::string> paths;
            bool tar = false;
            for (const std::string& arg : rest) {
                if (arg == "--tar")
                    tar = true;
                else if (arg.rfind("--", 0) == 0)
                    return usage("unknown option " + arg);
                else
                    paths.push_back(arg);
            }
            if (paths.size() != 2)
                return usage("package takes OUT DEST [--tar]");
            const std::string made = build::packageGame(paths[0], paths[1], tar);
            std::printf("Packaged %s: %s\n", paths[0].c_str(), made.c_str());
            return 0;
        }
        build::BuildOptions options;
        std::vector<std::string> paths;
        for (size_t i = command == "build" ? 1 : 0; i < args.size(); ++i) {
            if (args[i] == "--bundle")
                options.bundle = true;
            else if (args[i] == "--quiet")
                options.quiet = true;
            else if (args[i].rfind("--", 0) == 0)
                return usage("unknown option " + args[i]);
            else
                paths.push_back(args[i]);
        }
        if (paths.empty() || paths.size() > 2)
            return usage("build takes SRC [OUT]");
        options.source = paths[0];
        options.output = paths.size() == 2 ? paths[1] : paths[0] + "/build";
        build::buildGame(options, std::cerr);
        return 0;
    } catch (const build::BuildError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelterra-build: %s\n", e.what());
        return 1;
    }
}
