// A spoilt configuration file: the program either starts with what the reader made of it, or reports
// through its one handler, waits for Enter and exits with 0. Never a crash or a hang.
#include "Damage.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

using namespace std::chrono_literals;

namespace
{
const std::string WindowFailed = "Exception: m_pWindow=0";
// An incomplete framebuffer is thrown as a plain string and reported without a message.
const std::string Incomplete = "Exception";

struct ConfigCase
{
    std::string name;
    // No file at all when unset.
    std::optional<std::string> config;
    std::optional<Damage> damage;
    // The report's accepted last lines; empty when the program must run.
    std::vector<std::string> report;
    // The window size when it runs.
    std::pair<int, int> size;
    // Drives the camera with every key that reads a sensitivity.
    bool driveCamera = false;
};

std::ostream& operator<<(std::ostream& out, const ConfigCase& c)
{
    return out << c.name;
}

ConfigCase runs(std::string name, std::string config, std::pair<int, int> size, bool driveCamera = false)
{
    return {std::move(name), std::move(config), std::nullopt, {}, size, driveCamera};
}

ConfigCase reports(std::string name, std::string config, std::vector<std::string> report)
{
    return {std::move(name), std::move(config), std::nullopt, std::move(report), {}, false};
}

// The five keys besides the size, all given the same kind of value; no flag value is a boolean word.
std::string flagsAndSensitivities(const std::string& flag, const std::string& zoom, const std::string& upDown)
{
    std::string text;
    for (const char* key : {"Fullscreen", "GLDebug", "WaitForVSync"})
        text += std::string(key) + "=" + flag + "\n";
    return text + "SensivityZoom=" + zoom + "\nSensivityUpDown=" + upDown + "\n";
}

std::vector<ConfigCase> wholeFileCases()
{
    const std::pair<int, int> defaults{1200, 960};
    std::vector<ConfigCase> cases = {
        {"NoFile", std::nullopt, std::nullopt, {}, defaults},
        runs("Empty", "", defaults),
        runs("NoMainSection", "[OTHER]\nWidth=320\nHeight=256\n", defaults),
        runs("KeysOutsideAnySection", "Width=320\nHeight=256\n", defaults),
        runs("OneMegabyteOfNoise", noise(1 << 20, 3), defaults),
        // Lines the reader cannot parse are skipped; the keys after them still count.
        runs("NoiseBeforeValidSection", noise(1 << 20, 5) + "\n[MAIN]\nWidth=320\nHeight=256\n", {320, 256}),
    };
    for (const Damage damage : {Damage::Directory, Damage::Unreadable})
        cases.push_back({damageName(damage), "[MAIN]\nWidth=320\nHeight=256\n", damage, {}, defaults});
    return cases;
}

std::vector<ConfigCase> flagCases()
{
    const std::pair<int, int> small{320, 256};
    const std::string base = "[MAIN]\nWidth=320\nHeight=256\n";
    return {
        runs("Empty", base + flagsAndSensitivities("", "", ""), small, true),
        runs("Negative", base + flagsAndSensitivities("-1", "-0.5", "-0.05"), small, true),
        // Beyond a float's range: the narrowed sensitivities are infinite.
        runs("Huge", base + flagsAndSensitivities("99999999999999999999", "1e300", "1e300"), small, true),
        runs("Hexadecimal", base + flagsAndSensitivities("0x1", "0x10", "0x1p-4"), small, true),
        runs("Octal", base + flagsAndSensitivities("01", "010", "010"), small, true),
        runs("NonNumeric", base + flagsAndSensitivities("maybe", "fast", "slow"), small, true),
        runs("NotANumberAndInfinity", base + flagsAndSensitivities("on1", "nan", "inf"), small, true),
        // A repeated key reads as both values joined by a line break: no boolean word, the first number.
        runs("Repeated", base + flagsAndSensitivities("true", "0.2", "0.02") + flagsAndSensitivities("true", "50", "50"),
             small, true),
    };
}

// `key` takes each kind of value while the other dimension stays small.
std::vector<ConfigCase> sizeCases(const std::string& key, const std::string& other, int defaultValue)
{
    const std::string base = "[MAIN]\n" + other + "\n" + key + "=";
    auto size = [&](int value) {
        return key == "Width" ? std::make_pair(value, 256) : std::make_pair(320, value);
    };
    const int small = key == "Width" ? 320 : 256;
    const std::string hex = key == "Width" ? "0x140" : "0x100";
    const std::string octal = key == "Width" ? "0500" : "0400";
    return {
        runs("Empty", base + "\n", size(defaultValue)),
        reports("Negative", base + "-" + std::to_string(small) + "\n", {WindowFailed}),
        runs("Hexadecimal", base + hex + "\n", size(small)),
        runs("Octal", base + octal + "\n", size(small)),
        runs("NonNumeric", base + "wide\n", size(defaultValue)),
        runs("Repeated", base + std::to_string(small) + "\n" + key + "=640\n", size(small)),
        reports("Zero", base + "0\n", {WindowFailed}),
        // Too small for the smallest bloom level, which then has no pixels.
        reports("One", base + "1\n", {Incomplete}),
        reports("ThirtyOne", base + "31\n", {Incomplete}),
        // Beyond what the window system or the driver accepts: either refusal goes through the handler.
        reports("HundredThousand", base + "100000\n", {Incomplete, WindowFailed}),
        reports("Huge", base + "99999999999\n", {Incomplete, WindowFailed}),
    };
}

class ConfigurationFaultsE2ETest : public ::testing::TestWithParam<ConfigCase>
{
protected:
    void check(const ConfigCase& c)
    {
        if (c.damage == Damage::Unreadable && geteuid() == 0 && !unprivilegedUser())
            GTEST_SKIP() << "running as root without an unprivileged user, so no file is unreadable";
        FaultRun run(c.config);
        if (c.damage)
            run.damage("Talvenmorquiddle.ini", *c.damage);
        run.start();
        if (!c.report.empty())
        {
            run.expectReport(c.report);
            return;
        }
        run.expectRuns([&](const std::string& window) {
            EXPECT_EQ(settledWindowSize(window), c.size);
            if (!c.driveCamera)
                return;
            // Leaves the tour, then holds each key long enough to span frames.
            for (const char* key : {"e", "KP_Add", "KP_Subtract", "Up", "Down"})
                holdKey(window, key, 300ms);
        });
        EXPECT_EQ(run.process().output().find("OpenGL Debug output is on."), std::string::npos);
    }
};

std::string caseName(const ::testing::TestParamInfo<ConfigCase>& info)
{
    return info.param.name;
}
} // namespace

TEST_P(ConfigurationFaultsE2ETest, EndsAsDescribed)
{
    check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(WholeFile, ConfigurationFaultsE2ETest, ::testing::ValuesIn(wholeFileCases()), caseName);
INSTANTIATE_TEST_SUITE_P(FlagsAndSensitivities, ConfigurationFaultsE2ETest, ::testing::ValuesIn(flagCases()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Width, ConfigurationFaultsE2ETest, ::testing::ValuesIn(sizeCases("Width", "Height=256", 1200)),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Height, ConfigurationFaultsE2ETest, ::testing::ValuesIn(sizeCases("Height", "Width=320", 960)),
                         caseName);
