#include "FaultRun.h"

#include <gtest/gtest.h>

#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
// Generous: the sanitizer build on a busy two-core machine needs minutes where a desktop needs seconds.
constexpr auto StartupLimit = 300s;

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void expectNoSanitizerReport(const std::string& output)
{
    for (const char* marker : {"Sanitizer", "runtime error:"})
        EXPECT_EQ(output.find(marker), std::string::npos) << output;
}

// The program has printed a complete line that starts a report.
bool hasReport(const std::string& output)
{
    const auto at = output.rfind("Exception");
    return at != std::string::npos && output.find('\n', at) != std::string::npos;
}
} // namespace

std::pair<int, int> settledWindowSize(const std::string& window)
{
    // A refused display connection reads as a size of -1.
    std::pair<int, int> size;
    waitUntil(
        [&] {
            size = windowSize(window);
            return size.first >= 0;
        },
        10s);
    return size;
}

bool hasWindow(pid_t pid)
{
    return !runCommand("xdotool search --pid " + std::to_string(pid) + " 2>/dev/null").empty();
}

FaultRun::FaultRun(const std::optional<std::string>& config)
    : m_Run(config)
{
}

void FaultRun::damage(const std::string& relative, Damage damage)
{
    const fs::path folder = fs::path(relative).begin()->string();
    const fs::path link = dir() / folder;
    if (fs::is_symlink(link))
    {
        fs::remove(link);
        mirrorAsLinks(sourceDir() / folder, link);
    }
    applyDamage(dir() / relative, damage);
}

void FaultRun::start()
{
    // Xvfb refuses some connections that arrive together with another one (XOpenDisplay fails with
    // EAGAIN), and the program then rightly reports a failed windowing start-up: "Exception" and nothing
    // before it. No case here expects that, so such a start is the display's fault and is made again,
    // a bounded number of times; the window is looked for sparingly so as not to collide with it.
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        m_pProcess = std::make_unique<Process>(TALVEN_PROGRAM, dir());
        Process& running = *m_pProcess;
        int polls = 0;
        waitUntil(
            [&] {
                const bool look = ++polls % 5 == 0;
                return hasReport(running.output()) || !running.running() || (look && findWindow(running.pid()));
            },
            StartupLimit);
        if (running.output() != "Exception\n")
            return;
        running.writeInput("\n");
        running.waitForExit(10s);
        std::this_thread::sleep_for(200ms);
    }
}

void FaultRun::expectReport(const std::vector<std::string>& lastLines)
{
    Process& program = process();
    const bool reported = waitUntil([&] { return hasReport(program.output()) || !program.running(); }, StartupLimit);
    ASSERT_TRUE(reported) << "no report within the limit:\n" << program.output();

    // The report is followed by a wait for Enter, with the window already gone.
    ASSERT_TRUE(program.running()) << "ended without waiting for input:\n" << program.output();
    EXPECT_FALSE(hasWindow(program.pid())) << "a window is left open while the report waits";
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(program.running()) << "did not wait for input:\n" << program.output();

    program.writeInput("\n");
    EXPECT_EQ(program.waitForExit(60s), 0) << program.output();

    const std::string& output = program.output();
    expectNoSanitizerReport(output);
    std::string matched;
    for (const std::string& line : lastLines)
    {
        if (endsWith(output, line + "\n"))
            matched = line;
    }
    ASSERT_FALSE(matched.empty()) << "the output does not end with the expected report:\n" << output;
    const std::string before = output.substr(0, output.size() - matched.size() - 1);
    EXPECT_EQ(before.find("Exception"), std::string::npos) << output;
    // Apart from a compiler log, which need not end its last line, everything before is whole lines.
    if (before.find("result != GL_TRUE\n") == std::string::npos)
    {
        EXPECT_TRUE(before.empty() || before.back() == '\n') << output;
    }
    expectOnlyBuildOutput(before);
}

void FaultRun::expectRuns(const std::function<void(const std::string& window)>& whileOpen)
{
    Process& program = process();
    std::optional<std::string> window;
    waitUntil(
        [&] {
            window = findWindow(program.pid());
            return window.has_value() || !program.running() || hasReport(program.output());
        },
        StartupLimit);
    ASSERT_TRUE(window) << "no window:\n" << program.output();
    if (whileOpen)
        whileOpen(*window);

    // Escape is pressed again until the program ends: the display may refuse xdotool's connection
    // (see start), and a slow start-up may still be loading the scene.
    std::optional<int> code;
    const auto deadline = std::chrono::steady_clock::now() + StartupLimit;
    while (!code && std::chrono::steady_clock::now() < deadline && !hasReport(program.output()))
    {
        if (const auto open = findWindow(program.pid()))
            sendKey(*open, "Escape");
        code = program.waitForExit(5s);
    }
    const std::string& output = program.output();
    ASSERT_EQ(code, 0) << output;
    EXPECT_EQ(output.find("Exception"), std::string::npos) << output;
    expectNoSanitizerReport(output);
    expectOnlyBuildOutput(output);
}
