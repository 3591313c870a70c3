#include "WindowFixture.h"

#include "TempDir.h"
#include "framework/sdl/SDLClock.h"

#include <cstdlib>
#include <tuple>
#include <unistd.h>

using framework::FrameState;

namespace {

class ThrowingApp : public framework::App
{
public:
    explicit ThrowingApp(framework::OSInterface* os) : App(os)
    {
        throw lang::Exception(lang::Format("Data directory {0} is missing", "levels/"));
    }
    void update(float, gr::Context*, int) override {}
};

class QuittingApp : public RecordingApp
{
public:
    explicit QuittingApp(framework::OSInterface* os) : RecordingApp(os) { quitAfter = 2; }
};

/// Runs the process frame on a config and returns its exit code; stderr goes to *err.
int runWith(const std::string& config, const framework::AppFactory& factory, std::string* err = nullptr,
            const framework::BeforeWindow& beforeWindow = nullptr)
{
    TempDir dir;
    dir.write("config.lua", config);
    std::string path = dir / "config.lua";
    char* argv[] = {const_cast<char*>("pelterra-test"), &path[0]};
    framework::OSSDL platform;
    framework::SDLClock clock;
    char cwd[4096];
    const bool haveCwd = getcwd(cwd, sizeof(cwd)) != nullptr;
    testing::internal::CaptureStderr();
    int code = framework::run(2, argv, platform, clock, factory, beforeWindow);
    std::string text = testing::internal::GetCapturedStderr();
    if (haveCwd && chdir(cwd) != 0)
        ADD_FAILURE() << "cannot return to " << cwd;
    if (err)
        *err = text;
    return code;
}

} // namespace

TEST(StartUp, RunsFramesUntilTheGameQuits)
{
    LogCapture log;
    int frames = 0;
    int code = runWith("name = 'Game' width = 320 height = 200", [&](framework::OSInterface* os, gr::Context* context) {
        EXPECT_EQ(context->width(), 320);
        EXPECT_EQ(context->height(), 200);
        auto* app = new QuittingApp(os);
        os->activate(); // no window manager gives focus under a bare X server
        (void)frames;
        return app;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(FrameState::current().shutDown);
    EXPECT_EQ(framework::App::current(), nullptr);
    EXPECT_NE(log.text().find("Argv[1]: "), std::string::npos);
    EXPECT_NE(log.text().find("Current working directory is "), std::string::npos);
    // Two frames ran; only the first is reported.
    const size_t first = log.text().find("First frame drawn ");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.text().find("First frame drawn ", first + 1), std::string::npos);
}

// The game starts work of its own (decoding its first images) while the window is made.
TEST(StartUp, TheGameIsToldTheConfigurationBeforeTheWindowExists)
{
    LogCapture log;
    std::vector<std::string> order;
    int code = runWith(
        "name = 'Game' width = 320 height = 200 preload = { 'a.png' }",
        [&](framework::OSInterface* os, gr::Context*) {
            order.push_back("app");
            auto* app = new QuittingApp(os);
            os->activate();
            return app;
        },
        nullptr,
        [&](const framework::Config& config) {
            order.push_back("before " + std::to_string(config.width) + " " + config.preload[0].str() + " " +
                            (FrameState::current().context ? "with" : "without") + " a context");
        });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"before 320 a.png without a context", "app"}));
}

TEST(StartUp, FrameRateZeroTurnsVsyncOff)
{
    LogCapture log;
    for (auto [config, vsync] : {std::pair<const char*, bool>{"width = 64 height = 64", true},
                                 {"width = 64 height = 64 framerate = 0", false},
                                 {"width = 64 height = 64 framerate = 30", true}}) {
        bool asked = !vsync;
        int code = runWith(config, [&](framework::OSInterface* os, gr::Context* context) {
            asked = context->vsync();
            auto* app = new QuittingApp(os);
            os->activate();
            return app;
        });
        EXPECT_EQ(code, 0) << config;
        EXPECT_EQ(asked, vsync) << config;
    }
}

TEST(StartUp, AnExceptionInTheApplicationIsReportedAndExitsWithAFailure)
{
    LogCapture log;
    std::string err;
    int code = runWith("width = 100 height = 100",
                       [](framework::OSInterface* os, gr::Context*) { return new ThrowingApp(os); }, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "Error!\nData directory levels/ is missing\n");
    EXPECT_TRUE(FrameState::current().error);
    EXPECT_TRUE(FrameState::current().shutDown);
    EXPECT_EQ(framework::App::current(), nullptr);
}

TEST(StartUp, AConfigurationErrorIsReported)
{
    LogCapture log;
    std::string err;
    int code = runWith("width = = 1", [](framework::OSInterface* os, gr::Context*) { return new RecordingApp(os); },
                       &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err.rfind("Error!\nError while compiling Lua: ", 0), 0u) << err;
}

TEST(StartUp, ALoopingConfigurationEndsWithItsError)
{
    TempDir dir;
    dir.write("config.lua", "width = 64\nwhile true do end");
    std::string command = "timeout 60 env PELTERRA_NO_DIALOGS=1 '" PELTERRA_EXECUTABLE "' '" + (dir / "config.lua") +
                          "' 2>'" + (dir / "err.txt") + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1); // a failure, not a hang (124) nor a success
    const std::string err = dir.read("err.txt");
    EXPECT_NE(err.find("Error!\n"), std::string::npos) << err;
    EXPECT_NE(err.find("ran past its budget of 50000000 instructions\nCall stack:\n" + (dir / "config.lua") + "(2)\n"),
              std::string::npos)
        << err;
}

TEST(StartUp, NoRendererEndsInTheCollectedReasons)
{
    LogCapture log;
    std::string err;
    runWith("renderer = { 'dx' }", [](framework::OSInterface* os, gr::Context*) { return new RecordingApp(os); }, &err);
    EXPECT_EQ(err, "Error!\nDirectX renderer not supported! Reason:\nNot supported\n\n\n");
}

TEST(StartUp, ASecondInstanceExitsBeforeMakingAWindow)
{
    LogCapture log;
    // Keyed on the program's real path, whatever argv[0] says.
    framework::OSSDL first;
    ASSERT_TRUE(first.claimSingleInstance(first.programPath()));
    bool made = false;
    int code = runWith("singleton = true", [&](framework::OSInterface* os, gr::Context*) {
        made = true;
        return new RecordingApp(os);
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(made);
}

TEST(StartUp, NoDisplayMeansNoWindow)
{
    TempDir dir;
    dir.write("config.lua", "width = 64 height = 64");
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY PELTERRA_NO_DIALOGS=1 '" PELTERRA_EXECUTABLE "' '" +
                          (dir / "config.lua") + "' 2>'" + (dir / "err.txt") + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(dir.read("err.txt").find("Error\nFailed to create main window\n"), std::string::npos) << dir.read("err.txt");
}

TEST(StartUp, OnlyTheShaderRendererOnAnOldDriver)
{
    if (!std::getenv("MESA_GL_VERSION_OVERRIDE"))
        GTEST_SKIP() << "run with MESA_GL_VERSION_OVERRIDE=1.4";
    LogCapture log;
    std::string err;
    int code = runWith("renderer = { 'gl2' }",
                       [](framework::OSInterface* os, gr::Context*) { return new RecordingApp(os); }, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err.rfind("Error!\nOpenGL 2.0 renderer not supported! Reason:\nOpenGL 2.0 is not supported", 0), 0u)
        << err;
}

TEST(StartUp, TheContextKeepsProgramsInTheGamesCacheDirectory)
{
    LogCapture log;
    TempDir dir;
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string saved = before ? before : "";
    const char* dataBefore = std::getenv("XDG_DATA_HOME");
    const std::string dataSaved = dataBefore ? dataBefore : "";
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1); // the saves' directory is made too
    setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1); // made as well when missing
    std::string kept;
    int code = runWith("publisher = 'Firm' product = 'Game'", [&](framework::OSInterface* os, gr::Context* context) {
        kept = context->programCacheDirectory().str();
        auto* app = new QuittingApp(os);
        os->activate();
        return app;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(kept, dir / "cache/Firm/Game/");
    EXPECT_EQ(access((dir / "cache/Firm/Game").c_str(), W_OK), 0);

    // A cache that can't be made is said, and the game runs without one.
    dir.write("file", "not a directory");
    setenv("XDG_CACHE_HOME", (dir / "file").c_str(), 1);
    code = runWith("publisher = 'Firm' product = 'Game'", [&](framework::OSInterface* os, gr::Context* context) {
        kept = context->programCacheDirectory().str();
        auto* app = new QuittingApp(os);
        os->activate();
        return app;
    });
    for (const auto& [name, wasSet, value] : {std::make_tuple("XDG_CACHE_HOME", before != nullptr, saved),
                                              std::make_tuple("XDG_DATA_HOME", dataBefore != nullptr, dataSaved)}) {
        if (wasSet)
            setenv(name, value.c_str(), 1);
        else
            unsetenv(name);
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(kept, "");
    EXPECT_NE(log.text().find("Can't create the cache directory " + (dir / "file/Firm") + ": Not a directory"),
              std::string::npos)
        << log.text();
}
