// The engine's own readers load what the builder writes.

#include "TempDir.h"

#include "Builder.h"
#include "game/TextGroupSet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TEST(BuiltTexts, ReadBackByIdInEveryLanguage)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "src");
    std::ofstream(dir / "src/game.lua") << "texts = { { name = 'TEXTS_BASIC.dat', file = 'texts.tsv' } }\n"
                                           "effects = false\n";
    // UTF-8 beyond ASCII, escapes, a tab inside a text, an empty translation.
    std::ofstream(dir / "src/texts.tsv") << "id\ten_EN\tfi_FI\tde_DE\n"
                                            "# a comment line\n"
                                            "PLAY\tPlay\tPelaa\tSpielen\n"
                                            "QUIT\tQuit\tLopeta\t\n"
                                            "TWO_LINES\tOne\\nTwo\tYksi\\nKaksi\tEins\\tZwei\n"
                                            "EURO\t5 \xe2\x82\xac\t5 \xe2\x82\xac\t\xc3\x84rger\n";
    build::BuildOptions options;
    options.source = dir / "src";
    options.output = dir / "out";
    std::ostringstream log;
    build::buildGame(options, log);

    lang::Ptr<game::TextGroupSet> texts = new game::TextGroupSet((dir / "out/TEXTS_BASIC.dat").c_str());
    texts->load("ALL");
    ASSERT_EQ(texts->languages().size(), 3);
    const char* const expected[][4] = {
        {"PLAY", "Play", "Pelaa", "Spielen"},
        {"QUIT", "Quit", "Lopeta", ""},
        {"TWO_LINES", "One\nTwo", "Yksi\nKaksi", "Eins\tZwei"},
        {"EURO", "5 \xe2\x82\xac", "5 \xe2\x82\xac", "\xc3\x84rger"},
    };
    const char* const languages[] = {"en_EN", "fi_FI", "de_DE"};
    for (const auto& row : expected) {
        for (int l = 0; l < 3; ++l)
            EXPECT_EQ(texts->get(languages[l])->get(row[0]).str(), row[l + 1]) << row[0] << " " << languages[l];
    }
    EXPECT_NE(log.str().find("\"QUIT\" has no de_DE text"), std::string::npos) << log.str();
}
