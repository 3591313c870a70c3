// Writes the seed inputs of the harnesses that have no ready-made files of their kind: the
// resource files through the same writers the tests and the builder use, and small files of
// every other reader in the layouts the tests build them in. tests/fuzz/make-seeds.sh runs
// it (and writes the images and sounds with PIL and lame).
//
//   fuzz_make_seeds CORPUS_DIR SOURCE_DIR

#include "ResourceWriters.h"
#include "game/CipherKeys.h"
#include "gr/PixelFormat.h"
#include "lang/BlockCipher.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path g_corpus;
fs::path g_source;

void seed(const std::string& harness, const std::string& name, const std::string& bytes)
{
    fs::create_directories(g_corpus / harness);
    std::ofstream(g_corpus / harness / ("seed-" + name), std::ios::binary) << bytes;
}

void seed(const std::string& harness, const std::string& name, const std::vector<uint8_t>& bytes)
{
    seed(harness, name, std::string(bytes.begin(), bytes.end()));
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "fuzz_make_seeds: cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void le16(std::string& out, int v)
{
    out += char(v), out += char(v >> 8);
}

void le32(std::string& out, uint32_t v)
{
    le16(out, int(v & 0xffff)), le16(out, int(v >> 16));
}

void resourceFiles()
{
    voxa::TextTable texts;
    texts.languages = {"en", "fi"};
    texts.ids = {"TITLE", "PLAY", "EMPTY"};
    texts.texts = {{"Lanternfall", "Play", ""}, {"Lyhtysade", "Pelaa \xc3\xa4\xc3\xb6", ""}};
    seed("texts", "chunked.dat", voxa::writeTexts(texts));
    seed("texts", "older.dat", voxa::writeTexts(texts, voxa::Layout::OLDER));
    texts.languages = {"en"};
    texts.texts.resize(1);
    seed("texts", "one-language.dat", voxa::writeTexts(texts));

    voxa::SpriteSheetData sheet;
    sheet.image = "sheet.png";
    sheet.sprites = {{"stone", 0, 0, 32, 32, 16, 16}, {"plank", 32, 0, 64, 8, 32, 4}, {"dot", 96, 0, 1, 1, 0, 0}};
    seed("spritesheet", "chunked.dat", voxa::writeSpriteSheet(sheet));
    seed("spritesheet", "older.dat", voxa::writeSpriteSheet(sheet, voxa::Layout::OLDER));

    // Part names of an even length are the ones the harness has loaded.
    std::vector<voxa::CompoRecord> compos = {{"tower", {{"ab", 0, 0}, {"abcd", 5, -7}}, 0},
                                             {"missing", {{"abc", 1, 1}}, 0}};
    seed("composprites", "version1.dat", voxa::writeCompoSprites(compos, 1));
    seed("composprites", "version2.dat", voxa::writeCompoSprites(compos, 2));

    voxa::FontData font;
    font.image = "font.png";
    font.leading = 2;
    font.tracking = 1;
    font.glyphs = {{'A', 0, 0, 8, 10, 8}, {'b', 8, 0, 7, 10, 8}, {' ', 15, 0, 4, 1, 0}, {0xe4, 19, 0, 8, 12, 8},
                   {0x6f22, 27, 0, 12, 12, 10}};
    seed("font", "chunked.dat", voxa::writeFont(font));
    seed("font", "older.dat", voxa::writeFont(font, voxa::Layout::OLDER));
}

void textFormats()
{
    std::string pack;
    seed("bundle", "two-containers.idx", "bundle.idx,a,0,5\nbundle.idx,b.png,3,20\nother.dat,sub/c.lua,0,100\n");
    seed("bundle", "commas.idx", "bundle.idx,bundle.idx,0,16,bundle.idx,a,-0,2147483647\n");

    seed("properties", "values.txt",
         "-- a property set\nkey = value ; enabled = yes\nnumber = -1.5e3\na=1\nGravity = 9.81d0\nempty =\n");

    const char* particles =
        "-- a spark effect\n"
        "SystemMaxEmissions = 10922\nSystemRate = CONSTANT 1\nsystemstoptime = NONE\nsystemlifetime = RANGE 1 2\n"
        "emissionmaxparticles = 100\nemissionrate = constant 10\nemissionstoptime = NONE\n"
        "emissionlifetime = CONSTANT 3\nemissionposition = POINT 0 0 0\nparticlelifetime = CONSTANT 1\n"
        "particlestartvelocity = SPHERE 0 0 0 1 2\nparticlestartposition = BOX 0 0 0 1 1 1\n"
        "particlestartsize = CONSTANT 1\nparticleendsize = CONSTANT 2\nparticlestartalpha = CONSTANT 1\n"
        "particleendalpha = CONSTANT 0\nparticlestartcolor = POINT 1 1 1\nparticleendcolor = POINT 1 0 0\n"
        "particlespriteelasticity = CONSTANT 0\nparticlespriterotation = RANGE 0 3\n"
        "particlespritestartrotationspeed = CONSTANT 1\nparticlespriteendrotationspeed = CONSTANT 0\n"
        "gravity = -9.8\nwind = 1 0 0\ntextureframerate = 10\ntextureframes = 16\ntextureanimation = loop\n"
        "textureview = CAMERAUP\nemissionlimitkill = OLDEST\nsystemlimitkill = NONE\nparticleupdatealways = yes\n";
    seed("particles", "spark.txt", std::string(particles) + "texturename = spark.png\nshadername = spark.fx\n");
    seed("particles", "aligned.txt",
         std::string(particles) + "particlealignedtousernormal = true\nparticleusernormal = 0 0 1\n"
                                  "emissionposition = TRIANGLE_2D 0 0 1 0 0 1\n");

    // main.fx, a.fxh, sub/b.fxh, vs.glsl, fs.glsl and sub/c.glsl, separated by zero bytes.
    const std::string zero(1, '\0');
    // Each effect with the stages it names.
    const std::pair<std::string, std::string> effects[] = {
        {"2d-sprite", "2d-sprite"}, {"2d-sprite-alpha-masked", "2d-sprite-masked"}, {"2d-vertexcolor-alpha", "2d-vertexcolor"}};
    for (const auto& [name, base] : effects) {
        std::string fx = readFile(g_source / "share/effects" / (name + ".fx"));
        for (const char* stage : {".vsh", ".fsh"}) {
            for (size_t at; (at = fx.find(stage)) != std::string::npos;) {
                const size_t begin = fx.rfind(' ', at) + 1;
                fx.replace(begin, at + 4 - begin, stage[1] == 'v' ? "vs.glsl" : "fs.glsl");
            }
        }
        seed("effect", name + ".fx",
             fx + zero + zero + zero + readFile(g_source / "share/effects" / (base + ".vsh")) + zero +
                 readFile(g_source / "share/effects" / (base + ".fsh")));
    }
    seed("effect", "includes.fx",
         "#include \"a.fxh\"\n#define OUTER\npriority = 300 ;\nsort = backtofront ;\n"
         "technique Default {\n  #define FAST\n  pass P0 {\n    VertexShader = vs.glsl ;\n    PixelShader = fs.glsl ;\n"
         "    EnableBlending = TRUE ; BlendFuncSrc = SRC_ALPHA ; BlendFuncDst = ONE_MINUS_SRC_ALPHA ;\n"
         "    BlendEquation = FUNC REVERSE SUBTRACT ; DepthFunc = LEQUAL ; EnableCulling = FALSE ;\n  }\n"
         "  pass P1 {\n    # ifdef FAST VertexShader = vs.glsl ; # else PixelShader = none.glsl ; # endif\n"
         "    PixelShader = fs.glsl ; CullFace = FRONT_AND_BACK ;\n  }\n}\n" +
             zero + "#include \"sub/b.fxh\"\n" + zero + "sort = insideout ;\n" + zero +
             "#include \"sub/c.glsl\"\nvoid main() {}" + zero + "void main() { gl_FragColor = vec4(1.0); }" + zero +
             "float common;\n");
    seed("effect", "cycle.fx", "#include \"a.fxh\"\n" + zero + "#include \"sub/b.fxh\"\n" + zero + "#include \"../a.fxh\"\n");

    seed("http", "length.txt", "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nstatus=ok&latest=2.0");
    seed("http", "until-close.txt", "HTTP/1.1 200 OK\r\nServer: test\r\n\r\nstatus=ok&latest=2.0");
    seed("http", "spaced-length.txt", "HTTP/1.1 200 OK\r\nX-Content-Length: 2\r\ncontent-LENGTH:\t7\r\n\r\nlatest=");
    seed("http", "short-body.txt", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n12345");

    seed("pathname", "relative.txt", "./data/../levels/./level1.lua");
    seed("pathname", "windows.txt", "C:\\games\\pelterra\\data\\sprites.dat");
    seed("pathname", "joined.txt", "/home/player/.local/share/pelterra" + zero + "../saves/settings.lua");
    seed("pathname", "dots.txt", "../../a/./b/../../../c.d.e/");

    // Capacity, kinds of the four arguments, a number, the format string, the text.
    const auto format = [&](int capacity, int kinds, double number, const std::string& text) {
        std::string out{char(capacity), char(kinds)};
        out.append(reinterpret_cast<const char*>(&number), sizeof(number));
        return out + text;
    };
    seed("format", "numbers.txt", format(200, 0x55, 1234.5678, "{0} {1,x} {2,0000.00} {3,#.###}"));
    seed("format", "texts.txt", format(16, 0x9a, -3.0, "Failed to read {1,0} bytes from {0}\\{" + zero + "file.dat"));
    seed("format", "short.txt", format(4, 0x01, 1e300, "{0,i} {0,X} {0,d} \\\\ {9}"));

    seed("utf", "utf8-to-16.txt", char(2 + 9 * 4) + std::string("A\xc3\xa4\xe6\xbc\xa2\xf0\x9f\x99\x82\xff\xc0\x80"));
    seed("utf", "utf16-to-8.txt", char(5 + 9 * 2) + std::string("A\0\x3d\xd8\x42\xde\x00\xd8", 8));
    seed("utf", "utf32-to-ascii.txt", char(7 + 9 * 1) + std::string("\0\0\0A\0\x10\xff\xff", 8));
}

void binaryFormats()
{
    // PVR: a 52-byte header, 8 x 8 A8R8G8B8 with 3 mip levels, one surface.
    std::string pvr;
    le32(pvr, 52);
    le32(pvr, 8), le32(pvr, 8), le32(pvr, 3), le32(pvr, 26), le32(pvr, 0), le32(pvr, 32);
    pvr += std::string(16, '\0');
    le32(pvr, 0), le32(pvr, 1);
    for (int level = 8; level >= 1; level /= 2)
        pvr += std::string(size_t(level * level * 4), char(level));
    seed("pvr", "mips.pvr", pvr);
    std::string cube;
    le32(cube, 52);
    le32(cube, 4), le32(cube, 4), le32(cube, 0), le32(cube, 19 | 1 << 12), le32(cube, 0), le32(cube, 16);
    cube += std::string(16, '\0');
    le32(cube, 0), le32(cube, 6);
    cube += std::string(6 * 4 * 4 * 2, '\x5a');
    seed("pvr", "cube.pvr", cube);

    // NTX version 260, 2 x 1, two R8G8B8 palette entries, Huffman-coded as in the reader's test.
    std::string ntx;
    le16(ntx, 260), le16(ntx, 2), le16(ntx, 1), le16(ntx, gr::PixelFormat::R8G8B8), le16(ntx, 2);
    ntx += char(2);
    ntx += std::string(3, '\0');
    le32(ntx, 4);
    ntx += char(1);
    ntx += char(2);
    le16(ntx, 4);
    for (int symbol : {0x0201, 0x0403, 0x0605, 0x0100})
        le16(ntx, symbol);
    le32(ntx, 8);
    ntx += char(0xd8);
    seed("ntx", "huffman.ntx", ntx);
    std::string plain;
    le16(plain, 259), le16(plain, 3), le16(plain, 2), le16(plain, gr::PixelFormat::A8R8G8B8), le16(plain, 0);
    plain += std::string(4, '\0');
    for (int i = 0; i < 3 * 2 * 4; ++i)
        plain += char(i * 11);
    seed("ntx", "plain.ntx", plain);

    // WAV: fmt and data chunks, with an unknown chunk between.
    const auto riff = [](const std::vector<std::pair<std::string, std::string>>& chunks) {
        std::string body = "WAVE";
        for (const auto& chunk : chunks) {
            body += chunk.first;
            le32(body, uint32_t(chunk.second.size()));
            body += chunk.second;
        }
        std::string out = "RIFF";
        le32(out, uint32_t(body.size()));
        return out + body;
    };
    const auto fmt = [](int channels, int rate, int bits) {
        std::string out;
        le16(out, 1), le16(out, channels), le32(out, uint32_t(rate)), le32(out, uint32_t(rate * channels * bits / 8));
        le16(out, channels * bits / 8), le16(out, bits);
        return out;
    };
    std::string samples;
    for (int i = 0; i < 64; ++i)
        le16(samples, (i * 977) % 20000 - 10000);
    seed("wav", "mono16.wav", riff({{"fmt ", fmt(1, 22050, 16)}, {"LIST", "INFOx"}, {"data", samples}}));
    seed("wav", "stereo8.wav", riff({{"fmt ", fmt(2, 8000, 8) + "\0\0"}, {"data", samples.substr(0, 40)}}));
    seed("rawaudio", "mono16.raw", char(2 | 3 << 2) + samples);
    seed("rawaudio", "stereo8.raw", char(1 | 0 << 2) + samples.substr(0, 33));

    // Pixels: target, source and palette formats, then the palette and the pixels.
    std::string pixels;
    for (int i = 0; i < 96; ++i)
        pixels += char(i * 37);
    using gr::PixelFormat;
    seed("pixelformat", "rgb-to-abgr.bin", std::string{char(PixelFormat::A8B8G8R8), char(PixelFormat::R8G8B8), 0} + pixels);
    seed("pixelformat", "p4-palette.bin",
         std::string{char(PixelFormat::X8R8G8B8), char(PixelFormat::P4), char(PixelFormat::A8R8G8B8)} + pixels + pixels);
    seed("pixelformat", "float.bin",
         std::string{char(PixelFormat::R5G6B5), char(PixelFormat::A16B16G16R16F), 0} + pixels);
    seed("pixelformat", "565-to-float.bin",
         std::string{char(PixelFormat::A32B32G32R32F), char(PixelFormat::A4R4G4B4), 0} + pixels);
}

void dataFiles()
{
    // The first byte: odd has the harness encipher the rest with the game's key.
    const std::string settings = "music = true\nvolume = 0.75\nplaytime = 3600\nlevels = {3, 2, 0, [\"x\"] = 1}\n";
    seed("settings", "plain.lua", "\x02" + settings);
    seed("settings", "to-encipher.lua", "\x01" + settings);
    seed("settings", "enciphered.lua", "\x02" + lang::BlockCipher::encipher(game::saveKey(), settings.data(),
                                                                            int(settings.size())).str());
    seed("settings", "loop.lua", "\x02" "while true do end\n");

    for (const char* level : {"level1", "level3"}) {
        const std::string text = readFile(g_source / "demo/levels" / (std::string(level) + ".lua"));
        if (text.size() > 20000)
            continue;
        seed("level", std::string(level) + ".lua", "\x02" + text);
        seed("level", std::string(level) + "-to-encipher.lua", "\x01" + text);
    }
    const std::string small = "theme = \"forest\"\nphysicsToWorld = 32\ncounts = {stones = 3}\n"
                              "joints = {}\nobjects = {{type = \"stone\", x = math.sin(1), y = 2}}\n";
    seed("level", "small.lua", "\x02" + small);
    seed("level", "enciphered.lua",
         "\x02" + lang::BlockCipher::encipher(game::scriptKey(), small.data(), int(small.size())).str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_make_seeds CORPUS_DIR SOURCE_DIR\n");
        return 2;
    }
    g_corpus = argv[1];
    g_source = argv[2];
    resourceFiles();
    textFormats();
    binaryFormats();
    dataFiles();
    return 0;
}
