// The record tool as a user runs it: a short clip decoded by ffprobe and ffmpeg is the tour's in-process
// pictures, and an encoder that ends early leaves the earlier video as it was.
#include "ProgramRun.h"

#include <stb_image.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

namespace fs = std::filesystem;

namespace
{
// A small frame keeps the clip cheap; its size comes from the configuration, as the tour's does.
const char* const SmallWindow = "[MAIN]\nWidth=320\nHeight=256\n";

// Runs `command` in a shell and returns its standard error and its exit status as "<text>exit N".
std::string errorsAndStatus(const std::string& command)
{
    return runCommand("(" + command + ") 2>&1 >/dev/null; echo \"exit $?\"");
}

// The peak signal-to-noise ratio of two RGB pictures in dB, or -1 when either cannot be read or the
// sizes differ.
double psnr(const fs::path& a, const fs::path& b)
{
    int width[2] = {};
    int height[2] = {};
    int channels = 0;
    using Image = std::unique_ptr<unsigned char, decltype(&stbi_image_free)>;
    const Image first(stbi_load(a.c_str(), &width[0], &height[0], &channels, 3), &stbi_image_free);
    const Image second(stbi_load(b.c_str(), &width[1], &height[1], &channels, 3), &stbi_image_free);
    if (!first || !second || width[0] != width[1] || height[0] != height[1])
        return -1.0;
    const std::size_t size = static_cast<std::size_t>(width[0]) * static_cast<std::size_t>(height[0]) * 3;
    double squares = 0.0;
    for (std::size_t i = 0; i < size; ++i)
    {
        const double difference = double(first.get()[i]) - double(second.get()[i]);
        squares += difference * difference;
    }
    return squares == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(size) / squares);
}
} // namespace

TEST(RecordE2ETest, ClipIsTheToursPicturesAtItsFrameTimes)
{
    if (runCommand("command -v ffmpeg >/dev/null && command -v ffprobe").empty())
    {
        // CI records a clip before the tests, which installs ffmpeg: there, its absence is a fault.
        const char* ci = std::getenv("CI");
        if (ci && *ci)
            FAIL() << "ffmpeg is not installed, though scripts/record.sh ran before the tests";
        GTEST_SKIP() << "ffmpeg is not installed; scripts/record.sh installs it the first time it records";
    }
    ProgramRun run(SmallWindow);
    const fs::path dir = run.dir().path();
    ASSERT_EQ(errorsAndStatus(std::string(RECORD_PROGRAM) + " --root " + dir.string() +
                              " --from 8 --to 9 --fps 10 " + (dir / "clip.mp4").string()),
              "exit 0");
    EXPECT_EQ(runCommand("ffprobe -v error -count_frames -show_entries stream=codec_name,width,height,pix_fmt,nb_read_frames"
                         " -of csv=p=0 " + (dir / "clip.mp4").string()),
              "h264,320,256,yuv420p,10");

    const struct
    {
        int frame;
        const char* shot;
    } frames[] = {{0, "01-orbit-earth-8s.png"}, {4, "02-orbit-earth-8.4s.png"}, {9, "03-orbit-earth-8.9s.png"}};
    ASSERT_EQ(errorsAndStatus(std::string(SCREENSHOTS_PROGRAM) + " --root " + dir.string() + " --times 8,8.4,8.9 --out " +
                              (dir / "shots").string()),
              "exit 0");
    ASSERT_EQ(errorsAndStatus("ffmpeg -v error -i " + (dir / "clip.mp4").string() + " -start_number 0 " +
                              (dir / "frame-%d.png").string()),
              "exit 0");
    // What 4:2:0 colour and H.264 lose, and no more: another tour time differs by far more.
    for (const auto& f : frames)
        EXPECT_GE(psnr(dir / ("frame-" + std::to_string(f.frame) + ".png"), dir / "shots" / f.shot), 35.0) << f.shot;
    EXPECT_LT(psnr(dir / "frame-9.png", dir / "shots" / "01-orbit-earth-8s.png"), 30.0);
}

TEST(RecordE2ETest, EncoderEndingEarlyLeavesTheEarlierVideo)
{
    ProgramRun run(SmallWindow);
    const fs::path dir = run.dir().path();
    // An ffmpeg that reads nothing and fails, as one whose disk is full.
    run.dir().write("bin/ffmpeg", "#!/bin/sh\nexec 0<&-\necho 'fake ffmpeg: No space left on device' >&2\nexit 1\n");
    fs::permissions(dir / "bin" / "ffmpeg", fs::perms::owner_all);
    const fs::path video = run.dir().write("videos/tour.mp4", "an earlier recording");

    // Ten frames fill the pipe more than twice over: the failing write, not the end of the input, finds it.
    EXPECT_EQ(errorsAndStatus("PATH=" + (dir / "bin").string() + ":$PATH " + RECORD_PROGRAM + " --root " + dir.string() +
                              " --fps 10 --from 0 --to 1 " + video.string()),
              "record: ffmpeg ended with exit status 1 before the video was complete: fake ffmpeg: No space left on "
              "device; " + video.string() + " was not written\nexit 1");
    EXPECT_EQ(runCommand("cat " + video.string()), "an earlier recording");
    EXPECT_EQ(runCommand("ls -A " + video.parent_path().string()), "tour.mp4");
}
