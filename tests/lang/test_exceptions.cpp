#include "LogCapture.h"

#include "lang/ErrorBox.h"
#include "lang/Exception.h"
#include "lang/FormatException.h"
#include "lang/OutOfMemoryException.h"

#include <gtest/gtest.h>

#include <string>

using namespace lang;

TEST(Exceptions, ClassTreeCatchesByBase)
{
    LogCapture log;
    try {
        throw FormatException(Format("bad {0}", 1));
    } catch (const Exception& e) {
        EXPECT_EQ(e.getMessage(), "bad 1");
    }
    try {
        throw OutOfMemoryException();
    } catch (const Throwable& e) {
        EXPECT_EQ(e.getMessage(), "");
    }
}

TEST(Exceptions, CreationIsLoggedCutWhileTheMessageStaysWhole)
{
    LogCapture log;
    std::string longText(5000, 'q');
    Exception e(Format("{0}", String(longText)));
    EXPECT_EQ(e.getMessage().str(), longText);
    EXPECT_EQ(log.text(), "Created Throwable( \"" + std::string(255, 'q') + "\" )\n");
}

TEST(Exceptions, MalformedMessageIsItselfReported)
{
    LogCapture log;
    try {
        throw Exception(Format("broken {", 1)); // a brace last is literal: fine
    } catch (const Exception& e) {
        EXPECT_EQ(e.getMessage(), "broken {");
    }
    try {
        throw Exception(Format("broken {5}", 1));
    } catch (const FormatException& e) {
        EXPECT_EQ(e.getMessage(), "Failed to format \"broken {5}\", invalid argument index at 8");
    }
}

TEST(ErrorBox, WithoutDialogsPrintsAndAnswersIgnore)
{
    LogCapture log;
    setenv("PELTERRA_NO_DIALOGS", "1", 1);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ErrorBoxAnswer answer = showException(Exception(Format("Script {0} failed", "a.lua")));
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, ErrorBoxAnswer::Ignore);
    EXPECT_EQ(out, "EXCEPTION: Script a.lua failed\n");
    EXPECT_EQ(err, "C++ Exception Generated!\nScript a.lua failed\n");
}

namespace {

std::string g_boxesShown;     // by the platform below, one line per box
bool g_platformCanShow = true; // false: as a platform without a display

bool showOnPlatform(const String& caption, const String& text)
{
    g_boxesShown += caption.str() + ": " + text.str() + "\n";
    return g_platformCanShow;
}

bool askOnPlatform(const String& caption, const String& text, ErrorBoxAnswer* answer)
{
    g_boxesShown += caption.str() + ": " + text.str() + "?\n";
    *answer = ErrorBoxAnswer::Retry;
    return g_platformCanShow;
}

const ErrorBoxBackend kPlatformBoxes = {showOnPlatform, askOnPlatform};

// Dialogs allowed and the platform above installed, as a program with a display runs;
// the test program's own setting comes back afterwards.
class ErrorBoxPlatform : public testing::Test
{
protected:
    void SetUp() override
    {
        g_boxesShown.clear();
        g_platformCanShow = true;
        unsetenv("PELTERRA_NO_DIALOGS");
        setErrorBoxBackend(&kPlatformBoxes);
        testing::internal::CaptureStderr();
    }

    void TearDown() override
    {
        setErrorBoxBackend(nullptr);
        setenv("PELTERRA_NO_DIALOGS", "1", 1);
    }
};

} // namespace

TEST_F(ErrorBoxPlatform, ShowsTheBoxesAndKeepsTheAnswer)
{
    showErrorBox("Error!", "No window");
    ErrorBoxAnswer answer = askAbortRetryIgnore("Failed", "Load level 3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(answer, ErrorBoxAnswer::Retry);
    EXPECT_EQ(g_boxesShown, "Error!: No window\nFailed: Load level 3?\n");
}

TEST_F(ErrorBoxPlatform, NoDialogsNeverAsksThePlatform)
{
    setenv("PELTERRA_NO_DIALOGS", "1", 1);
    showErrorBox("Error!", "No window");
    ErrorBoxAnswer answer = askAbortRetryIgnore("Failed", "Load level 3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error!\nNo window\nFailed\nLoad level 3\n");
    EXPECT_EQ(answer, ErrorBoxAnswer::Ignore);
    EXPECT_EQ(g_boxesShown, "");
}

TEST_F(ErrorBoxPlatform, ABoxThePlatformCouldNotShowGoesToStderrAnsweredIgnore)
{
    g_platformCanShow = false;
    showErrorBox("Error!", "No window");
    ErrorBoxAnswer answer = askAbortRetryIgnore("Failed", "Load level 3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error!\nNo window\nFailed\nLoad level 3\n");
    EXPECT_EQ(answer, ErrorBoxAnswer::Ignore);
}

TEST_F(ErrorBoxPlatform, WithoutAPlatformEveryBoxIsALineOnStderr)
{
    setErrorBoxBackend(nullptr);
    showErrorBox("Error!", "No window");
    ErrorBoxAnswer answer = askAbortRetryIgnore("Failed", "Load level 3");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error!\nNo window\nFailed\nLoad level 3\n");
    EXPECT_EQ(answer, ErrorBoxAnswer::Ignore);
    EXPECT_EQ(g_boxesShown, "");
}
