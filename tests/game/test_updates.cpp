#include "GameFixture.h"
#include "HttpPeer.h"
#include "net/HoldingPeer.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

/// The running program.
std::string self()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return std::string(path, static_cast<size_t>(length > 0 ? length : 0));
}

/// An updater script next to a program (the test program unless told otherwise), where the
/// game looks for it; removed with the object.
class Updater
{
public:
    explicit Updater(const std::string& body, const std::string& program = self())
    {
        m_path = program.substr(0, program.rfind('/') + 1) + "updater";
        std::ofstream(m_path) << "#!/bin/sh\n" << body;
        chmod(m_path.c_str(), 0755);
    }
    ~Updater() { std::remove(m_path.c_str()); }

private:
    std::string m_path;
};

/// Waits up to five seconds for a condition.
template <class Condition>
bool within5s(Condition condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

double secondsToDelete(game::GameApp*& app)
{
    const Clock::time_point start = Clock::now();
    delete app;
    app = nullptr;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

TEST_F(GameTest, QuittingWhileTheUpdaterChecksTakesUnderASecond)
{
    TempDir dir;
    Updater updater("echo $$ > '" + (dir / "pid") + "'\nexec sleep 30\n");
    start("function updateAvailable(yes) answer = yes end");
    run("checkForUpdates()");
    ASSERT_TRUE(within5s([&] { return dir.read("pid").find('\n') != std::string::npos; })) << "the updater did not start";
    EXPECT_LT(secondsToDelete(app), 1.0);
    kill(std::stoi(dir.read("pid")), SIGKILL);
}

TEST_F(GameTest, QuittingWhileTheVersionServerIsSilentTakesUnderASecond)
{
    {
        HoldingPeer peer(""); // takes the request and answers nothing
        if (!peer.ready())
            GTEST_SKIP() << "cannot listen on 127.0.0.1:80 here";
        start("function latestVersionNumberReceived() called = true end");
        framework::Config::current().versionCheckUrl = "http://127.0.0.1/check?";
        run("requestLatestVersionNumber()");
        framework::Config::current().versionCheckUrl = lang::String();
        ASSERT_TRUE(within5s([&] { return peer.requested(); }));
        EXPECT_LT(secondsToDelete(app), 1.0);
    }
    // The worker, alone now, sees the connection close and ends.
    EXPECT_TRUE(within5s([&] { return log.text().find("Version check failed: Malformed response\n") != std::string::npos; }))
        << log.text();
}

TEST_F(GameTest, TheUpdaterIsAskedAgainAfterACheckThatDidNotReport)
{
    start("function updateAvailable(yes) answer = yes end");
    run("checkForUpdates()");
    usleep(300000); // long enough for that check to find no updater and end
    Updater updater("exit 1\n");
    bool answered = false;
    for (int i = 0; i < 500 && !answered; ++i) {
        run("checkForUpdates()");
        frame(0.01f);
        answered = boolean("answer ~= nil");
        usleep(10000);
    }
    EXPECT_TRUE(boolean("answer == true"));
}

TEST_F(GameTest, ASecondVersionRequestWaitsUntilTheFirstAnswerIsDelivered)
{
    start("calls = 0 function latestVersionNumberReceived(latest) got = latest calls = calls + 1 end");
    framework::Config::current().versionCheckUrl = "http://127.0.0.1/check?";
    {
        HttpPeer first("HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\nlatest=2.1&url=a");
        if (!first.ready())
            GTEST_SKIP() << "cannot listen on 127.0.0.1:80 here";
        run("requestLatestVersionNumber()");
        first.request(); // answered and closed
    }
    usleep(300000); // the worker has its answer by now, and no frame has delivered it
    HoldingPeer second("HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\nlatest=3.0&url=b");
    ASSERT_TRUE(second.ready());
    run("requestLatestVersionNumber()");
    frame(0.01f);
    EXPECT_TRUE(boolean("got == '2.1' and calls == 1"));
    usleep(100000);
    EXPECT_FALSE(second.requested());

    run("requestLatestVersionNumber()"); // the first answer is delivered: a new check starts
    for (int i = 0; i < 200 && !boolean("calls == 2"); ++i) {
        frame(0.01f);
        usleep(10000);
    }
    EXPECT_TRUE(boolean("got == '3.0' and calls == 2"));
    framework::Config::current().versionCheckUrl = lang::String();
}

TEST_F(GameTest, TheVersionUpdaterRunsOnInTheBackground)
{
    start("");
    run("callVersionUpdater()"); // no updater: nothing to start, and nothing said
    EXPECT_EQ(log.text().find("updater"), std::string::npos) << log.text();
    TempDir dir;
    Updater updater("echo \"$1\" > '" + (dir / "argument") + "'\n"
                    "while [ -d '" + dir.path() + "' ] && [ ! -e '" + (dir / "stop") + "' ]; do sleep 0.02; done\n"
                    "echo ended > '" + (dir / "ended") + "'\n");
    const Clock::time_point asked = Clock::now();
    run("callVersionUpdater()");
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - asked).count(), 1.0);
    ASSERT_TRUE(within5s([&] { return dir.read("argument") == "/checknow\n"; })) << dir.read("argument");
    EXPECT_EQ(dir.read("ended"), "");
    dir.write("stop", "");
    EXPECT_TRUE(within5s([&] { return dir.read("ended") == "ended\n"; }));
}

TEST(EndToEnd, QuittingWhileTheUpdaterChecksEndsTheRunUnderASecond)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server: run through ./test.sh (xvfb-run)";
    TempDir dir;
    Updater updater("echo $$ > '" + (dir / "pid") + "'\nexec sleep 30\n", PELTERRA_EXECUTABLE);
    dir.write("config.lua", "name = 'quit' width = 160 height = 120 datapath = 'data/' scriptPath = 'scripts'");
    std::system(("mkdir -p '" + dir.path() + "/data/scripts'").c_str());
    for (const char* name : {"starLimits.lua", "loadlist.lua", "blocks.lua"})
        dir.write(std::string("data/scripts/") + name,
                  lang::BlockCipher::encipher(game::scriptKey(), "", 0).str());
    const std::string gamelogic =
        "function createStartUpAssets() checkForUpdates() end\n"
        "function update(dt)\n"
        "  local pid = io.open('" + (dir / "pid") + "')\n"
        "  if pid and pid:read('*l') then\n"
        "    io.open('" + (dir / "quitting") + "', 'w'):close()\n"
        "    requestExit()\n"
        "  end\n"
        "  if pid then pid:close() end\n"
        "end\n";
    dir.write("data/scripts/gamelogic.lua",
              lang::BlockCipher::encipher(game::scriptKey(), gamelogic.data(), static_cast<int>(gamelogic.size())).str());

    // The game's output goes to files: the updater it leaves running inherits them.
    std::string shell = "/bin/sh", flag = "-c",
                script = "exec '" PELTERRA_EXECUTABLE "' '" + (dir / "config.lua") + "' >/dev/null 2>'" + (dir / "err.txt") + "'";
    char* argv[] = {&shell[0], &flag[0], &script[0], nullptr};
    pid_t game;
    ASSERT_EQ(posix_spawn(&game, "/bin/sh", nullptr, nullptr, argv, environ), 0);
    bool quitting = false;
    for (int i = 0; i < 6000 && !quitting; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        quitting = std::ifstream(dir / "quitting").good();
    }
    const Clock::time_point asked = Clock::now();
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(game, &status, WNOHANG)) == 0 && Clock::now() - asked < std::chrono::seconds(40))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double seconds = std::chrono::duration<double>(Clock::now() - asked).count();
    if (ended == 0) {
        kill(game, SIGKILL);
        waitpid(game, &status, 0);
    }
    if (!dir.read("pid").empty())
        kill(std::stoi(dir.read("pid")), SIGKILL);
    ASSERT_TRUE(quitting) << dir.read("err.txt");
    EXPECT_LT(seconds, 1.0) << dir.read("err.txt");
    ASSERT_EQ(ended, game);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << dir.read("err.txt");
}
