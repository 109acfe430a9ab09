#include "Options.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(OptionsTest, ReadsEveryOption)
{
    struct Case
    {
        std::vector<std::string> arguments;
        int width;
        int height;
        int frames;
        int warmup;
        std::vector<std::string> poses;
        int allocationFrames;
    };
    const Case cases[] = {
        {{}, 1200, 960, 60, 5, {"earth", "moon", "sun"}, 0},
        {{"--width", "640", "--height", "480"}, 640, 480, 60, 5, {"earth", "moon", "sun"}, 0},
        {{"--frames", "0", "--allocation-frames", "1000"}, 1200, 960, 0, 5, {"earth", "moon", "sun"}, 1000},
        {{"--warmup", "0", "--poses", "sun,earth"}, 1200, 960, 60, 0, {"sun", "earth"}, 0},
        {{"--width", "32", "--height", "32"}, 32, 32, 60, 5, {"earth", "moon", "sun"}, 0},
    };
    for (const Case& c : cases)
    {
        const Options options = parseOptions(c.arguments);
        const std::string what = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(options.width, c.width) << what;
        EXPECT_EQ(options.height, c.height) << what;
        EXPECT_EQ(options.frames, c.frames) << what;
        EXPECT_EQ(options.warmup, c.warmup) << what;
        EXPECT_EQ(options.poses, c.poses) << what;
        EXPECT_EQ(options.allocationFrames, c.allocationFrames) << what;
    }

    const Options options = parseOptions(
        {"--results", "out.tsv", "--label", "4259e53", "--pictures", "shots", "--against", "new.tsv", "old.tsv", "--help"});
    EXPECT_EQ(options.resultsFile, "out.tsv");
    EXPECT_EQ(options.label, "4259e53");
    EXPECT_EQ(options.picturesDirectory, "shots");
    EXPECT_EQ(options.against, (std::vector<std::string>{"new.tsv", "old.tsv"}));
    EXPECT_TRUE(options.help);
}

TEST(OptionsTest, RejectsWhatCannotRun)
{
    struct Case
    {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        // The bloom's smallest level would be empty and the renderer would not start.
        {{"--width", "31"}, "--width needs a whole number of at least 32, not \"31\""},
        {{"--height", "0"}, "--height needs a whole number of at least 32, not \"0\""},
        {{"--frames", "-1"}, "--frames needs a whole number of at least 0, not \"-1\""},
        {{"--frames", "12x"}, "--frames needs a whole number of at least 0, not \"12x\""},
        {{"--warmup", ""}, "--warmup needs a whole number of at least 0, not \"\""},
        {{"--frames", "99999999999"}, "--frames needs a whole number of at least 0, not \"99999999999\""},
        {{"--width"}, "--width needs a value"},
        {{"--compare", "a.tsv", "b.tsv"}, "unknown option \"--compare\""},
        {{"--against", "a.tsv"}, "--against needs a value"},
        {{"--poses", "earth,mars"}, "--poses: unknown pose \"mars\" (earth, moon, sun)"},
        {{"--poses", ""}, "--poses needs at least one pose"},
        {{"--fast"}, "unknown option \"--fast\""},
    };
    for (const Case& c : cases)
    {
        try
        {
            parseOptions(c.arguments);
            ADD_FAILURE() << ::testing::PrintToString(c.arguments) << " was accepted";
        }
        catch (const std::invalid_argument& error)
        {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}
