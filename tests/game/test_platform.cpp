#include "pf/Launcher.h"
#include "pf/Locale.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Platform, LocaleAndLauncher)
{
    pf::Locale locale;
    lang::Array<lang::String> languages = locale.preferredLanguages();
    ASSERT_EQ(languages.size(), 1);
    EXPECT_EQ(languages[0], "en_EN");
    lang::Ptr<pf::Launcher> launcher = new pf::Launcher;
    // Only web and mail addresses reach the desktop (tests/pf has the rest).
    EXPECT_FALSE(launcher->openURL(""));
    EXPECT_FALSE(launcher->openURL("not a url"));
}

TEST(CipherTool, RoundTripsAndRefusesPlainText)
{
    TempDir dir;
    dir.write("plain.lua", "volume = 0.5\n");
    const std::string tool = "'" PELTERRA_CIPHER "' ";
    EXPECT_EQ(std::system((tool + "encipher --save '" + (dir / "plain.lua") + "' '" + (dir / "c.lua") + "'").c_str()), 0);
    EXPECT_EQ(dir.read("c.lua").size(), 16u);
    EXPECT_EQ(std::system((tool + "decipher --save '" + (dir / "c.lua") + "' '" + (dir / "back.lua") + "'").c_str()), 0);
    EXPECT_EQ(dir.read("back.lua"), "volume = 0.5\n");
    EXPECT_NE(std::system((tool + "decipher --script '" + (dir / "plain.lua") + "' '" + (dir / "x") + "' 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + "scramble --save a b 2>/dev/null").c_str()), 0);
}
