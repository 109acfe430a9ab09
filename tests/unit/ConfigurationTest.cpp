// The configuration file as inih's reader interprets it.
#include "Configuration.h"
#include "ConfigurationCases.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace
{
Configuration readText(const std::string& text)
{
    TempDir dir;
    return readConfiguration(dir.write("Talvenmorquiddle.ini", text).string());
}

void expectDefaults(const Configuration& config)
{
    const Configuration defaults;
    EXPECT_EQ(config.fullscreen, false);
    EXPECT_EQ(config.width, 1200);
    EXPECT_EQ(config.height, 960);
    EXPECT_EQ(config.glDebug, false);
    EXPECT_FLOAT_EQ(config.sensivityZoom, 0.1f);
    EXPECT_FLOAT_EQ(config.sensivityUpDown, 0.01f);
    EXPECT_EQ(config.waitForVSync, false);
    EXPECT_FLOAT_EQ(defaults.sensivityZoom, config.sensivityZoom);
}
} // namespace

TEST(ConfigurationTest, MissingEmptyOrSectionlessFilesGiveTheDefaults)
{
    TempDir dir;
    expectDefaults(readConfiguration((dir.path() / "absent.ini").string()));
    expectDefaults(readText(""));
    expectDefaults(readText("Width=640\nHeight=480\n"));
    expectDefaults(readText("[OTHER]\nWidth=640\n"));
    // A directory of the right name is as unreadable as a missing file.
    std::filesystem::create_directory(dir.path() / "Talvenmorquiddle.ini");
    expectDefaults(readConfiguration((dir.path() / "Talvenmorquiddle.ini").string()));
}

TEST(ConfigurationTest, ReadsEveryKeyOfTheShippedFile)
{
    const Configuration shipped = readConfiguration((sourceDir() / "Talvenmorquiddle.ini").string());
    expectDefaults(shipped);

    const Configuration config = readText("[MAIN]\nFullscreen=true\nWidth=800\nHeight=600\nGLDebug=on\n"
                                          "SensivityZoom=0.5\nSensivityUpDown=0.25\nWaitForVSync=yes\n");
    EXPECT_TRUE(config.fullscreen);
    EXPECT_EQ(config.width, 800);
    EXPECT_EQ(config.height, 600);
    EXPECT_TRUE(config.glDebug);
    EXPECT_FLOAT_EQ(config.sensivityZoom, 0.5f);
    EXPECT_FLOAT_EQ(config.sensivityUpDown, 0.25f);
    EXPECT_TRUE(config.waitForVSync);
}

TEST(ConfigurationTest, NamesAndBooleanWordsIgnoreCase)
{
    EXPECT_TRUE(readText("[main]\nfullscreen=YES\n").fullscreen);
    EXPECT_TRUE(readText("[Main]\nGLDEBUG=On\n").glDebug);
    EXPECT_EQ(readText("[mAiN]\nwidth=640\n").width, 640);
}

TEST(ConfigurationTest, BooleanWords)
{
    const struct
    {
        const char* word;
        bool value;
    } cases[] = {
        {"true", true},   {"yes", true},   {"on", true},   {"1", true},    {"TRUE", true},
        {"false", false}, {"no", false},   {"off", false}, {"0", false},   {"maybe", false},
        {"", false},      {"2", false},    {"y", false},   {"enabled", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readText(std::string("[MAIN]\nGLDebug=") + c.word + "\n").glDebug, c.value) << c.word;
}

TEST(ConfigurationTest, NumbersAsTheReaderConvertsThem)
{
    const struct
    {
        const char* text;
        int width;
    } integers[] = {
        {"0x500", 1280},   {"1280abc", 1280}, {"010", 8},   {"-640", -640}, {"0", 0},
        {"abc", 1200},     {"", 1200},        {" 77", 77},  {"1e3", 1},
    };
    for (const auto& c : integers)
        EXPECT_EQ(readText(std::string("[MAIN]\nWidth=") + c.text + "\n").width, c.width) << c.text;

    const struct
    {
        const char* text;
        float zoom;
    } reals[] = {
        {"0.25", 0.25f}, {"-0.1", -0.1f}, {"1e-2", 0.01f}, {"2.5xyz", 2.5f}, {"none", 0.1f}, {"", 0.1f},
    };
    for (const auto& c : reals)
        EXPECT_FLOAT_EQ(readText(std::string("[MAIN]\nSensivityZoom=") + c.text + "\n").sensivityZoom, c.zoom)
            << c.text;
}

TEST(ConfigurationTest, RepeatedKeysJoinTheirValues)
{
    // The reader joins repeated values with a line feed: numbers keep the first, booleans fall back to false.
    const Configuration config =
        readText("[MAIN]\nWidth=640\nWidth=800\nSensivityZoom=0.5\nSensivityZoom=0.7\nGLDebug=true\nGLDebug=true\n");
    EXPECT_EQ(config.width, 640);
    EXPECT_FLOAT_EQ(config.sensivityZoom, 0.5f);
    EXPECT_FALSE(config.glDebug);
}

TEST(ConfigurationTest, SyntaxErrorsKeepWhatWasRead)
{
    const Configuration config = readText("[MAIN]\nWidth=640\nthis line is not a key\nHeight=480\n[broken\n");
    EXPECT_EQ(config.width, 640);
    EXPECT_EQ(config.height, 480);
}

TEST(ConfigurationTest, SpoiltFilesGiveWhatTheReaderMakesOfThem)
{
    // Exactly, or both not a number.
    auto same = [](float read, float expected) {
        return std::isnan(read) ? std::isnan(expected) : read == expected;
    };
    for (const ConfigurationCase& c : configurationCases())
    {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeConfiguration(c, dir.path());
        std::optional<Unprivileged> reader;
        if (c.damage == Damage::Unreadable)
        {
            // Only the file's own mode may keep its reader out.
            std::filesystem::permissions(dir.path(), std::filesystem::perms::others_read |
                                                         std::filesystem::perms::others_exec,
                                         std::filesystem::perm_options::add);
            reader.emplace();
        }
        const Configuration config = readConfiguration((dir.path() / "Talvenmorquiddle.ini").string());
        reader.reset();

        EXPECT_EQ(config.fullscreen, c.expected.fullscreen);
        EXPECT_EQ(config.width, c.expected.width);
        EXPECT_EQ(config.height, c.expected.height);
        EXPECT_EQ(config.glDebug, c.expected.glDebug);
        EXPECT_TRUE(same(config.sensivityZoom, c.expected.sensivityZoom)) << config.sensivityZoom;
        EXPECT_TRUE(same(config.sensivityUpDown, c.expected.sensivityUpDown)) << config.sensivityUpDown;
        EXPECT_EQ(config.waitForVSync, c.expected.waitForVSync);
    }
}
