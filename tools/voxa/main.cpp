// pelterra-voxa: makes the engine's resource files from text descriptions.

#include "ChunkWriter.h"
#include "ResourceWriters.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

const char* const kUsage =
    "usage: pelterra-voxa KIND INPUT OUTPUT [--older | --version2]\n"
    "\n"
    "KIND and its INPUT (text; '#' starts a comment line):\n"
    "  sheet  sprite sheet. \"image FILE\", then NAME X Y WIDTH HEIGHT PIVOTX PIVOTY per sprite\n"
    "  texts  localised texts. Tab-separated: \"id<TAB>LANGUAGE...\", then ID<TAB>TEXT... rows;\n"
    "         \\n, \\t and \\\\ in a text are a line break, a tab and a backslash\n"
    "  compo  composite sprites. \"compo NAME\", then SPRITE X Y per part\n"
    "  font   bitmap font. \"image FILE\", \"leading N\", \"tracking N\", then\n"
    "         CODE X Y WIDTH HEIGHT BASELINE per glyph (CODE: 65, U+0041 or 'A')\n"
    "\n"
    "--older writes a sheet, texts or font in the older layout without the VOXA header;\n"
    "--version2 writes composite sprites as version 2.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string kind = argv[1], input = argv[2], output = argv[3];
    const std::string option = argc == 5 ? argv[4] : "";
    if (!option.empty() && option != "--older" && option != "--version2") {
        std::fprintf(stderr, "pelterra-voxa: unknown option %s\n\n%s", option.c_str(), kUsage);
        return 2;
    }
    if (kind != "sheet" && kind != "texts" && kind != "compo" && kind != "font") {
        std::fprintf(stderr, "pelterra-voxa: unknown kind %s\n\n%s", kind.c_str(), kUsage);
        return 2;
    }
    const voxa::Layout layout = option == "--older" ? voxa::Layout::OLDER : voxa::Layout::CHUNKED;
    try {
        const std::string text = voxa::readFile(input);
        std::vector<uint8_t> bytes;
        if (kind == "sheet")
            bytes = voxa::writeSpriteSheet(voxa::parseSpriteList(text), layout);
        else if (kind == "texts")
            bytes = voxa::writeTexts(voxa::parseTextTable(text), layout);
        else if (kind == "compo")
            bytes = voxa::writeCompoSprites(voxa::parseCompoList(text), option == "--version2" ? 2 : 1);
        else
            bytes = voxa::writeFont(voxa::parseGlyphList(text), layout);
        voxa::writeFile(output, bytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pelterra-voxa: %s: %s\n", input.c_str(), e.what());
        return 1;
    }
    return 0;
}
