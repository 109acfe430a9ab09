// A spoilt configuration file as the user meets it: the program either starts with what the reader
// made of it, or reports through its one handler, waits for Enter and exits with 0. Never a crash or a
// hang. Every other spoilt file is read in ConfigurationTest and started in-process in
// ConfigurationGLTest and ApplicationStartupTest.
#include "ConfigurationCases.h"
#include "FaultRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace std::chrono_literals;

namespace
{
ConfigurationCase configurationCase(const std::string& name)
{
    const std::vector<ConfigurationCase> cases = configurationCases();
    const auto found =
        std::find_if(cases.begin(), cases.end(), [&](const ConfigurationCase& c) { return c.name == name; });
    if (found == cases.end())
        throw std::invalid_argument("no configuration case " + name);
    return *found;
}
} // namespace

// Not-a-number and infinite sensitivities, and flags that are no boolean word: the program runs, the
// keys that read the sensitivities move the camera through them, and no debug output is switched on.
TEST(ConfigurationFaultsE2ETest, SpoiltValuesStillRunAndTheCameraKeysWork)
{
    const ConfigurationCase c = configurationCase("Flags/NotANumberAndInfinity");
    FaultRun run(c.text);
    run.start();
    run.expectRuns([&](const std::string& window) {
        EXPECT_EQ(settledWindowSize(window), std::make_pair(c.expected.width, c.expected.height));
        // Leaves the tour, then holds each key long enough to span frames.
        for (const char* key : {"e", "KP_Add", "KP_Subtract", "Up", "Down"})
            holdKey(window, key, 300ms);
    });
    EXPECT_EQ(run.process().output().find("OpenGL Debug output is on."), std::string::npos);
}

// A size too small for the smallest bloom level: the incomplete framebuffer is thrown as a plain string,
// which the report shows without a message.
TEST(ConfigurationFaultsE2ETest, TooSmallForTheBloomReportsAnExceptionWithoutMessage)
{
    const ConfigurationCase c = configurationCase("Width/One");
    FaultRun run(c.text);
    run.start();
    run.expectReport({"Exception"});
}
