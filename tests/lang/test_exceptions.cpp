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
