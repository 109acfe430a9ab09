// The program as a user starts it: window, title, Escape, and the failure report.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace
{
const std::string SmallWindow = "[MAIN]\nWidth=320\nHeight=256\n";
}

TEST(StartupE2ETest, WithoutConfigurationOpensDefaultWindowShowsRateAndQuitsOnEscape)
{
    ProgramRun run(std::nullopt);
    run.start();
    const auto window = run.window();
    ASSERT_TRUE(window) << run.process().output();

    EXPECT_EQ(windowSize(*window), std::make_pair(1200, 960));
    EXPECT_EQ(windowTitle(*window), TitlePrefix);

    // After frame 100 the title ends in the average rate of frames 1 to 100.
    std::string title;
    ASSERT_TRUE(waitUntil(
        [&] {
            title = windowTitle(*window);
            return title != TitlePrefix;
        },
        240s))
        << run.process().output();
    ASSERT_EQ(title.rfind(TitlePrefix, 0), 0u) << title;
    const std::string rate = title.substr(TitlePrefix.size());
    ASSERT_FALSE(rate.empty());
    EXPECT_EQ(rate.find_first_not_of("0123456789"), std::string::npos) << rate;

    // Escape ends the program without waiting for input.
    sendKey(*window, "Escape");
    EXPECT_EQ(run.process().waitForExit(60s), 0) << run.process().output();
    EXPECT_EQ(run.process().output().find("Exception"), std::string::npos) << run.process().output();
}

TEST(StartupE2ETest, FailedWindowCreationReportsWaitsForEnterAndExitsZero)
{
    ProgramRun run("[MAIN]\nWidth=0\n");
    run.start();
    ASSERT_TRUE(waitUntil([&] { return run.process().output().find('\n') != std::string::npos; }, 60s));
    EXPECT_EQ(run.process().output(), "Exception: m_pWindow=0\n");
    // It waits for one character before it ends.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(run.process().running());
    run.process().writeInput("\n");
    EXPECT_EQ(run.process().waitForExit(30s), 0);
    EXPECT_EQ(run.process().output(), "Exception: m_pWindow=0\n");
}

TEST(StartupE2ETest, DebugOutputAnnouncesItselfFirstOnlyWhenAsked)
{
    for (const bool debug : {true, false})
    {
        ProgramRun run(SmallWindow + (debug ? "GLDebug=1\n" : "GLDebug=0\n"));
        run.start();
        const auto window = run.window();
        ASSERT_TRUE(window) << run.process().output();
        sendKey(*window, "Escape");
        ASSERT_EQ(run.process().waitForExit(60s), 0);
        const std::string& output = run.process().output();
        if (debug)
            EXPECT_EQ(output.rfind("OpenGL Debug output is on.\n", 0), 0u) << output;
        else
        {
            EXPECT_EQ(output.find("OpenGL Debug output is on."), std::string::npos) << output;
            EXPECT_EQ(output.find("OpenGL Debug Begin"), std::string::npos) << output;
        }
    }
}
