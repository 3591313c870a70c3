// The builder as a game maker meets it: a source folder and its manifest in, a data
// directory out; rebuilt only where something changed; bad input named by file and line,
// with nothing written.

#include "TempDir.h"

#include "Builder.h"
#include "BuildError.h"
#include "Bundle.h"
#include "Image.h"
#include "game/CipherKeys.h"
#include "lang/BlockCipher.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

#define FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

/// A source folder with a manifest, two atlases, texts, scripts and a composite sprite, and
/// the output folder beside it.
class Game : public ::testing::Test
{
protected:
    TempDir dir;
    std::string src = dir / "src";
    std::string out = dir / "out";

    void SetUp() override
    {
        put("game.lua", "name = 'Test'\n"
                        "scripts = { 'scripts' }\n"
                        "atlases = {\n"
                        "    { name = 'sprites/ui', images = 'art/ui' },\n"
                        "    { name = 'sprites/world', images = 'art/world', padding = 1 },\n"
                        "}\n"
                        "texts = { { name = 'TEXTS_BASIC.dat', file = 'texts.tsv' } }\n"
                        "composites = { { name = 'sprites/heroes.dat', file = 'heroes.txt' } }\n"
                        "effects = false\n");
        put("scripts/gamelogic.lua", "function update(dt) end\n");
        put("scripts/levels/one.lua", "blocks = { 1, 2 }\n");
        png("art/ui/button.png", 12, 8, 0xff0000ff);
        png("art/ui/icons/star.png", 6, 6, 0xff00ff00);
        png("art/world/crate.png", 10, 10, 0xff123456);
        put("texts.tsv", "id\ten_EN\tfi_FI\nHELLO\tHello\tHei\nBYE\tBye\t\n");
        put("heroes.txt", "compo hero\ncrate 0 0\nicons/star 4 -6\n");
    }

    void put(const std::string& name, const std::string& bytes)
    {
        fs::create_directories(fs::path(src + "/" + name).parent_path());
        std::ofstream(src + "/" + name, std::ios::binary) << bytes;
    }

    void png(const std::string& name, int width, int height, uint32_t abgr)
    {
        build::Image image(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < 4; ++c)
                    image.pixel(x, y)[c] = static_cast<uint8_t>(abgr >> (8 * c));
            }
        }
        const std::vector<uint8_t> bytes = build::encodePng(image);
        put(name, std::string(bytes.begin(), bytes.end()));
    }

    build::BuildReport run(bool bundle = false, std::string* log = nullptr)
    {
        std::ostringstream text;
        build::BuildOptions options;
        options.source = src;
        options.output = out;
        options.bundle = bundle;
        build::BuildReport report = build::buildGame(options, text);
        if (log)
            *log = text.str();
        return report;
    }

    /// The message of the BuildError a build throws, or "(built)".
    std::string failure()
    {
        try {
            run();
        } catch (const build::BuildError& e) {
            return e.what();
        }
        return "(built)";
    }

    /// Every file of the output with its bytes and modification time.
    std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot() const
    {
        std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
        if (!fs::exists(out))
            return files;
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files[fs::relative(entry.path(), out).string()] = {
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                entry.last_write_time()};
        }
        return files;
    }

    std::string output(const std::string& name) const { return dir.read("out/" + name); }
};

std::string deciphered(const std::string& bytes)
{
    lang::String text;
    EXPECT_TRUE(lang::BlockCipher::decipher(game::scriptKey(), bytes.data(), static_cast<int>(bytes.size()), &text));
    return text.str();
}

TEST_F(Game, BuildsEveryKindOfOutputDeterministically)
{
    std::string log;
    const build::BuildReport report = run(false, &log);
    EXPECT_EQ(report.stepsSkipped, 0);
    EXPECT_EQ(deciphered(output("scripts/gamelogic.lua")), "function update(dt) end\n");
    EXPECT_EQ(deciphered(output("scripts/levels/one.lua")), "blocks = { 1, 2 }\n");
    for (const char* name : {"config.lua", "sprites/ui.dat", "sprites/ui.png", "sprites/world.dat", "sprites/world.png",
                             "TEXTS_BASIC.dat", "sprites/heroes.dat"})
        EXPECT_FALSE(output(name).empty()) << name;
    EXPECT_NE(output("config.lua").find("name = \"Test\""), std::string::npos) << output("config.lua");
    // A progress line per step, and the text without a Finnish translation named.
    EXPECT_NE(log.find("atlas sprites/ui"), std::string::npos) << log;
    EXPECT_NE(log.find("texts.tsv:3: \"BYE\" has no fi_FI text"), std::string::npos) << log;

    // The same sources built elsewhere give the same bytes.
    const auto first = snapshot();
    out = dir / "again";
    run();
    const auto second = snapshot();
    ASSERT_EQ(first.size(), second.size());
    for (const auto& file : first)
        EXPECT_EQ(file.second.first, second.at(file.first).first) << file.first;
}

TEST_F(Game, RebuildsOnlyWhatChanged)
{
    run();
    const auto before = snapshot();
    // Nothing changed: nothing is run and nothing written, not even the state.
    const build::BuildReport idle = run();
    EXPECT_EQ(idle.stepsRun, 0);
    EXPECT_EQ(idle.filesWritten, 0);
    EXPECT_EQ(snapshot(), before);

    // A changed image rebuilds its own atlas and nothing else.
    png("art/world/crate.png", 10, 10, 0xff654321);
    const build::BuildReport one = run();
    EXPECT_EQ(one.stepsRun, 1);
    const auto after = snapshot();
    for (const auto& file : after) {
        const bool changed = file.second != before.at(file.first);
        const bool atlas = file.first.rfind("sprites/world.", 0) == 0 || file.first == ".pelterra-build";
        EXPECT_EQ(changed, atlas && file.first != "sprites/world.dat") << file.first;
    }

    // A deleted output is made again; a dropped script is removed from the output.
    fs::remove(out + "/TEXTS_BASIC.dat");
    fs::remove(src + "/scripts/levels/one.lua");
    const build::BuildReport mend = run();
    EXPECT_EQ(mend.stepsRun, 1);
    EXPECT_EQ(mend.filesRemoved, 1);
    EXPECT_FALSE(output("TEXTS_BASIC.dat").empty());
    EXPECT_FALSE(fs::exists(out + "/scripts/levels"));
}

TEST_F(Game, ABundleHoldsWhatTheLooseBuildWrites)
{
    run();
    const auto loose = snapshot();
    run(true);
    const auto bundled = snapshot();
    // Only the configuration, the index and the container stay loose.
    std::vector<std::string> names;
    for (const auto& file : bundled)
        names.push_back(file.first);
    EXPECT_EQ(names, (std::vector<std::string>{".pelterra-build", "bundleIndex.idx", "config.lua", "data.pak"}));
    const build::BundleContents bundle = build::readBundle(out);
    for (const auto& file : loose) {
        if (file.first == "config.lua" || file.first == ".pelterra-build")
            continue;
        ASSERT_TRUE(bundle.has(file.first)) << file.first;
        const std::vector<uint8_t> bytes = bundle.read(file.first);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), file.second.first) << file.first;
    }
    // Nothing changed: the bundle is not written again.
    EXPECT_EQ(run(true).filesWritten, 0);
    // A change goes into the bundle; the steps that did not change are taken from it.
    put("scripts/gamelogic.lua", "function update(dt) print(dt) end\n");
    EXPECT_EQ(run(true).stepsRun, 1);
    const std::vector<uint8_t> script = build::readBundle(out).read("scripts/gamelogic.lua");
    EXPECT_EQ(deciphered(std::string(script.begin(), script.end())), "function update(dt) print(dt) end\n");
    // And back to loose files: the same files as a clean loose build.
    run(false);
    EXPECT_FALSE(fs::exists(out + "/data.pak"));
    EXPECT_FALSE(fs::exists(out + "/bundleIndex.idx"));
    EXPECT_EQ(snapshot().size(), loose.size());
}

TEST_F(Game, BadInputIsNamedByFileAndLineAndNothingIsWritten)
{
    run();
    const auto good = snapshot();
    auto expectFailure = [&](const std::string& expected) {
        const std::string message = failure();
        EXPECT_NE(message.find(expected), std::string::npos) << message;
        EXPECT_EQ(snapshot(), good) << expected;
    };

    put("scripts/broken.lua", "function update(dt)\n  if dt then\nend\n");
    expectFailure(src + "/scripts/broken.lua:4:");
    fs::remove(src + "/scripts/broken.lua");

    put("art/ui/fake.png", "GIF89a not a png");
    expectFailure(src + "/art/ui/fake.png: not a PNG image");
    fs::remove(src + "/art/ui/fake.png");

    put("texts.tsv", "id\ten_EN\nHELLO\tHello\nHELLO\tHi\n");
    expectFailure(src + "/texts.tsv:3: text id \"HELLO\" already given on line 2");
    put("texts.tsv", "id\ten_EN\tfi_FI\nHELLO\tHello\tHei\nBYE\tBye\t\n");

    png("art/world/button.png", 4, 4, 0xffffffff); // the ui atlas has a "button" too
    expectFailure("game.lua:5: sprite \"button\" is made by both atlas sprites/ui and atlas sprites/world");
    fs::remove(src + "/art/world/button.png");

    put("heroes.txt", "compo hero\ncrate 0 0\nghost 1 1\n");
    expectFailure(src + "/heroes.txt:3: no atlas of the game has a sprite \"ghost\"");
    put("heroes.txt", "compo hero\ncrate 0 0\n");

    put("game.lua", "fonts = {\n  { name = 'fonts/f', file = '" FONT "', size = 12, characters = 'U+4E2D' },\n}\n");
    expectFailure("game.lua:2: " FONT " has no glyph for U+4E2D");
    put("game.lua", "texts = { { name = 'T.dat', file = 'texts.tsv' } }\n"
                    "fonts = { { name = 'fonts/f', file = '" FONT "', size = 12, texts = true } }\n");
    put("texts.tsv", "id\ten_EN\nHELLO\tHello\nWIDE\t\xe4\xb8\xad\n");
    expectFailure(src + "/texts.tsv:3: " FONT " has no glyph for U+4E2D");
    put("texts.tsv", "id\ten_EN\tfi_FI\nHELLO\tHello\tHei\nBYE\tBye\t\n");

    put("game.lua", "name = 'Test'\natlases = {\n  { name = 'sprites/ui', imagse = 'art/ui' },\n}\n");
    expectFailure("game.lua:3: unknown setting \"imagse\" in atlases entry 1");
    put("game.lua", "name = 'Test'\nscripts = { 'scripts' \n");
    expectFailure("game.lua:3:");
    put("game.lua", "texts = { { name = '../outside.dat', file = 'texts.tsv' } }\n");
    expectFailure("output \"../outside.dat\" must be a path inside the output folder");
}

/// The exit status and the error output of the command line.
std::pair<int, std::string> command(const std::string& arguments, const TempDir& dir)
{
    const std::string line = std::string(PELTERRA_BUILD) + " " + arguments + " 2>'" + (dir / "err.txt") + "' >/dev/null";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.read("err.txt")};
}

TEST_F(Game, TheCommandLineAnswersWithExitCodes)
{
    EXPECT_EQ(command("--help", dir).first, 0);
    EXPECT_EQ(command("", dir).first, 2);
    EXPECT_EQ(command("build " + src + " " + out + " --fast", dir).first, 2);
    EXPECT_EQ(command(src + " " + out, dir).first, 0);
    EXPECT_EQ(command(src + " " + out + " --quiet", dir), std::make_pair(0, std::string()));
    put("scripts/broken.lua", "x = = 1\n");
    const auto failed = command(src + " " + out, dir);
    EXPECT_EQ(failed.first, 1);
    EXPECT_NE(failed.second.find(src + "/scripts/broken.lua:1: unexpected symbol near '='"), std::string::npos)
        << failed.second;
    EXPECT_EQ(command("build " + (dir / "nowhere"), dir).first, 1);
}

TEST(NewGame, WritesATemplateThatBuildsAndRefusesToOverwrite)
{
    TempDir dir;
    ASSERT_EQ(command("new " + (dir / "game"), dir).first, 0);
    for (const char* name : {"game.lua", "config.lua", "texts.tsv", "fonts/DejaVuSans.ttf", "art/crate.png",
                             "scripts/gamelogic.lua", "scripts/blocks.lua", "scripts/loadlist.lua",
                             "scripts/starLimits.lua"})
        EXPECT_TRUE(fs::is_regular_file(dir / ("game/" + std::string(name)))) << name;
    const auto again = command("new " + (dir / "game"), dir);
    EXPECT_EQ(again.first, 1);
    EXPECT_NE(again.second.find("already exists"), std::string::npos) << again.second;

    ASSERT_EQ(command(dir / "game", dir).first, 0) << dir.read("err.txt");
    for (const char* name : {"config.lua", "sprites/game.dat", "sprites/game.png", "fonts/body.dat", "fonts/body.png",
                             "TEXTS_BASIC.dat", "shaders/2d-sprite.fx", "scripts/gamelogic.lua"})
        EXPECT_TRUE(fs::is_regular_file(dir / ("game/build/" + std::string(name)))) << name;

    // Packaged: the engine, the game and a start script, as a folder or an archive.
    ASSERT_EQ(command("package " + (dir / "game/build") + " " + (dir / "shipped"), dir).first, 0) << dir.read("err.txt");
    EXPECT_TRUE(fs::is_regular_file(dir / "shipped/bin/pelterra"));
    EXPECT_TRUE(fs::is_regular_file(dir / "shipped/game/config.lua"));
    EXPECT_FALSE(fs::exists(dir / "shipped/game/.pelterra-build"));
    EXPECT_NE(fs::status(dir / "shipped/run").permissions() & fs::perms::owner_exec, fs::perms::none);
    ASSERT_EQ(command("package " + (dir / "game/build") + " " + (dir / "shipped") + " --tar", dir).first, 0);
    ASSERT_EQ(std::system(("tar -xzf '" + (dir / "shipped.tar.gz") + "' -C '" + dir.path() + "/game'").c_str()), 0);
    EXPECT_TRUE(fs::is_regular_file(dir / "game/shipped/run"));
}

} // namespace
