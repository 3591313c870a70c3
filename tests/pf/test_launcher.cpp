#include "pf/Launcher.h"

#include "LogCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace {

/// A desktop whose xdg-open, first on the PATH, records the addresses it is given.
class FakeDesktop
{
public:
    FakeDesktop() : m_path(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        m_dir.write("xdg-open", "#!/bin/sh\necho \"$1\" >> '" + (m_dir / "opened") + "'\n");
        chmod((m_dir / "xdg-open").c_str(), 0755);
        setenv("PATH", (m_dir.path() + ":" + m_path).c_str(), 1);
    }
    ~FakeDesktop() { setenv("PATH", m_path.c_str(), 1); }

    /// The addresses opened once there are count of them (the opener runs in the
    /// background), or what there is after five seconds.
    std::multiset<std::string> opened(size_t count)
    {
        std::multiset<std::string> lines;
        for (int i = 0; i < 500; ++i) {
            lines.clear();
            std::istringstream text(m_dir.read("opened"));
            for (std::string line; std::getline(text, line);)
                lines.insert(line);
            if (lines.size() >= count)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

private:
    TempDir m_dir;
    std::string m_path;
};

} // namespace

TEST(Launcher, OnlyWebAndMailAddressesGoToTheDesktop)
{
    FakeDesktop desktop;
    lang::Ptr<pf::Launcher> launcher = new pf::Launcher;
    LogCapture log;
    for (const char* address : {"/etc/passwd", "file:///etc/passwd", "javascript:alert(1)", "", "example.org",
                                "http:/example.org", "https:///etc/passwd", "mailto:", "smb://host/share",
                                "http://example.org/\nfile:///etc/passwd"})
        EXPECT_FALSE(launcher->openURL(address)) << address;
    EXPECT_EQ(log.text(),
              "Launcher: not opening \"/etc/passwd\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"file:///etc/passwd\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"javascript:alert(1)\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"example.org\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"http:/example.org\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"https:///etc/passwd\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"mailto:\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"smb://host/share\": only http:, https: and mailto: addresses are handed to the desktop\n"
              "Launcher: not opening \"http://example.org/\nfile:///etc/passwd\": only http:, https: and mailto: addresses are handed to the desktop\n");
    EXPECT_TRUE(launcher->openURL("https://example.org/get?version=2&x=\"1\""));
    EXPECT_TRUE(launcher->openURL("HTTP://example.org"));
    EXPECT_TRUE(launcher->openURL("mailto:help@example.org?subject=Level 3"));
    EXPECT_EQ(desktop.opened(3), (std::multiset<std::string>{"https://example.org/get?version=2&x=\"1\"",
                                                             "HTTP://example.org",
                                                             "mailto:help@example.org?subject=Level 3"}));
}
