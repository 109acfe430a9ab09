// The program as a user starts it: window, title, Escape, and the failure report.
#include "FaultRun.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace
{
const std::string SmallWindow = "[MAIN]\nWidth=320\nHeight=256\n";

// The display refuses a connection now and then, more often while other tests use it too; xdotool
// then answers nothing, and the question is asked again.
std::string settledTitle(const std::string& window)
{
    std::string title;
    waitUntil(
        [&] {
            title = windowTitle(window);
            return !title.empty();
        },
        10s);
    return title;
}

// Presses Escape once, sent again only while the display refuses xdotool's connection; the exit code.
std::optional<int> quitWithEscape(ProgramRun& run, const std::string& window)
{
    waitUntil([&] { return sendKey(window, "Escape"); }, 10s);
    return run.process().waitForExit(60s);
}
} // namespace

TEST(StartupE2ETest, WithoutConfigurationOpensDefaultWindowShowsRateAndQuitsOnEscape)
{
    ProgramRun run(std::nullopt);
    run.start();
    const auto window = run.window();
    ASSERT_TRUE(window) << run.process().output();

    EXPECT_EQ(settledWindowSize(*window), std::make_pair(1200, 960));
    EXPECT_EQ(settledTitle(*window), TitlePrefix);

    // After frame 100 the title ends in the average rate of frames 1 to 100.
    std::string title;
    ASSERT_TRUE(waitUntil(
        [&] {
            title = windowTitle(*window);
            return !title.empty() && title != TitlePrefix;
        },
        240s))
        << run.process().output();
    ASSERT_EQ(title.rfind(TitlePrefix, 0), 0u) << title;
    const std::string rate = title.substr(TitlePrefix.size());
    ASSERT_FALSE(rate.empty());
    EXPECT_EQ(rate.find_first_not_of("0123456789"), std::string::npos) << rate;

    // Escape ends the program without waiting for input.
    EXPECT_EQ(quitWithEscape(run, *window), 0) << run.process().output();
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
        ASSERT_EQ(quitWithEscape(run, *window), 0) << run.process().output();
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
