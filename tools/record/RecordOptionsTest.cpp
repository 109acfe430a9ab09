// The command line as the recording it makes, or the one line that refuses it.
#include "RecordOptions.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Record;

namespace
{
constexpr double Tour = 55.0;

Recording plan(const std::vector<std::string>& arguments, int width = 1200, int height = 960)
{
    Configuration configuration;
    configuration.width = width;
    configuration.height = height;
    return planRecording(parseOptions(arguments), configuration, Tour, "/repo/build/tour.mp4");
}
} // namespace

TEST(RecordOptionsTest, WhatARecordingMakes)
{
    const struct
    {
        std::vector<std::string> arguments;
        const char* file;
        Format format;
        int fps;
        double from;
        double to;
        int width;
        int height;
        long frames;
    } cases[] = {
        {{}, "/repo/build/tour.mp4", Format::Mp4, 30, 0.0, 55.0, 1200, 960, 1650},
        {{"clip.MP4", "--fps", "10", "--from", "8", "--to", "9"}, "clip.MP4", Format::Mp4, 10, 8.0, 9.0, 1200, 960, 10},
        {{"--size", "480x384", "p.webp", "--fps", "15", "--from", "13.5", "--to", "19"}, "p.webp", Format::WebP, 15, 13.5, 19.0, 480, 384, 83},
        // A span that is not a whole number of frames ends with the frame before its end.
        {{"--fps", "24", "--from", "54.99"}, "/repo/build/tour.mp4", Format::Mp4, 24, 54.99, 55.0, 1200, 960, 1},
        {{"--from", "0.1", "--to", "0.3", "--fps", "10"}, "/repo/build/tour.mp4", Format::Mp4, 10, 0.1, 0.3, 1200, 960, 2},
    };
    for (const auto& c : cases)
    {
        const Recording recording = plan(c.arguments);
        const std::string name = c.arguments.empty() ? "(none)" : c.arguments[0];
        EXPECT_EQ(recording.file, c.file) << name;
        EXPECT_EQ(recording.format, c.format) << name;
        EXPECT_EQ(recording.fps, c.fps) << name;
        EXPECT_DOUBLE_EQ(recording.from, c.from) << name;
        EXPECT_DOUBLE_EQ(recording.to, c.to) << name;
        EXPECT_EQ(recording.width, c.width) << name;
        EXPECT_EQ(recording.height, c.height) << name;
        EXPECT_EQ(recording.frames, c.frames) << name;
        EXPECT_DOUBLE_EQ(frameTime(recording, recording.frames - 1), c.from + static_cast<double>(c.frames - 1) / c.fps)
            << name;
        EXPECT_LT(frameTime(recording, recording.frames - 1), c.to) << name;
    }
}

TEST(RecordOptionsTest, BadInputIsRefusedWithOneLine)
{
    const struct
    {
        std::vector<std::string> arguments;
        int width;
        int height;
        const char* message;
    } cases[] = {
        {{"--fps", "0"}, 1200, 960, "--fps needs a whole number of frames a second from 1 to 240, not '0'"},
        {{"--fps", "-5"}, 1200, 960, "--fps needs a whole number of frames a second from 1 to 240, not '-5'"},
        {{"--fps", "29.97"}, 1200, 960, "--fps needs a whole number of frames a second from 1 to 240, not '29.97'"},
        {{"--fps"}, 1200, 960, "--fps needs a value"},
        {{"--from", "-1"}, 1200, 960, "--from needs a number of seconds >= 0, not '-1'"},
        {{"--to", "nan"}, 1200, 960, "--to needs a number of seconds >= 0, not 'nan'"},
        {{"--from", "55"}, 1200, 960, "--from 55 is not in the tour: the tour lasts 55 s"},
        {{"--to", "55.5"}, 1200, 960, "--to 55.5 is not in the tour: the tour lasts 55 s"},
        {{"--from", "9", "--to", "8"}, 1200, 960, "--to 8 must come after --from 9"},
        {{"--size", "1200"}, 1200, 960, "--size needs WIDTHxHEIGHT in pixels, such as 1200x960, not '1200'"},
        {{"--size", "x960"}, 1200, 960, "--size needs WIDTHxHEIGHT in pixels, such as 1200x960, not 'x960'"},
        {{"--size", "1201x960"}, 1200, 960, "--size 1201x960: width and height must be even for the video's 4:2:0 colour"},
        {{"--size", "16x16"}, 1200, 960, "--size 16x16: each side must be from 32 to 4096 pixels"},
        {{}, 1201, 960, "the size in Talvenmorquiddle.ini, 1201x960: width and height must be even for the video's 4:2:0 colour"},
        {{"tour.mkv"}, 1200, 960, "the file must end in .mp4 (a video) or .webp (an animated preview): 'tour.mkv'"},
        {{"a.mp4", "b.mp4"}, 1200, 960, "one file only, not 'a.mp4' and 'b.mp4'"},
        {{"--frames", "3"}, 1200, 960, "unknown option '--frames'"},
    };
    for (const auto& c : cases)
    {
        try
        {
            plan(c.arguments, c.width, c.height);
            ADD_FAILURE() << "accepted: " << c.message;
        }
        catch (const std::invalid_argument& error)
        {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}
