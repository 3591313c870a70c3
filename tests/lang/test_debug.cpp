#include "LogCapture.h"

#include "lang/Debug.h"

#include <gtest/gtest.h>

#include <thread>

TEST(Debug, LinesAreFormattedAndCutAtTwoThousand)
{
    LogCapture log;
    lang::log("%s=%d\n", "x", 5);
    EXPECT_EQ(log.text(), "x=5\n");
    log.clear();
    std::string huge(5000, 'h');
    lang::log("%s", huge.c_str());
    EXPECT_EQ(log.text(), std::string(1999, 'h'));
}

TEST(Debug, ManyThreadsLogWholeLines)
{
    LogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                lang::log("thread %d line %03d\n", t, i);
        });
    for (auto& thread : threads)
        thread.join();
    int lines = 0;
    size_t at = 0;
    for (size_t end; (end = log.text().find('\n', at)) != std::string::npos; at = end + 1) {
        EXPECT_EQ(end - at, std::string("thread 0 line 000").size());
        ++lines;
    }
    EXPECT_EQ(lines, 800);
}
