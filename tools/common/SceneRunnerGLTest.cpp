// The runner on the test's window: the tour's frames are the same on every run, and the picture file
// holds the frame as drawn, top row first.
#include "GLContext.h"
#include "TempDir.h"

#include "SceneRunner.h"

#include <stb_image.h>

#include <memory>
#include <vector>

namespace
{
constexpr int Size = 64;

// The frame at `seconds` of the tour, played from its start in frames of 1/60 s, as read from the back buffer.
std::vector<unsigned char> tourFrame(double seconds, const std::filesystem::path& file)
{
    SceneRunner runner(testWindow(), Size, Size);
    runner.startTour();
    runner.advanceBy(seconds, 1.0 / 60.0);
    runner.draw();
    std::vector<unsigned char> pixels(Size * Size * 3);
    // The lens flare leaves the scene target bound for reading.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Size, Size, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    runner.savePicture(file);
    runner.present();
    return pixels;
}
} // namespace

TEST_F(GLTest, SceneRunnerDrawsTheTourTheSameEveryTime)
{
    TempDir directory;
    const std::vector<unsigned char> earth = tourFrame(1.5, directory.path() / "earth.png");
    EXPECT_EQ(tourFrame(1.5, directory.path() / "again.png"), earth);
    // The Sun, later in the tour, is another picture; and neither is one flat colour.
    const std::vector<unsigned char> sun = tourFrame(50.0, directory.path() / "sun.png");
    EXPECT_NE(sun, earth);
    for (const auto* frame : {&earth, &sun})
        EXPECT_NE(std::count(frame->begin(), frame->end(), (*frame)[0]), static_cast<long>(frame->size()));

    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<unsigned char, decltype(&stbi_image_free)> png(
        stbi_load((directory.path() / "earth.png").c_str(), &width, &height, &channels, 3), &stbi_image_free);
    ASSERT_TRUE(png);
    ASSERT_EQ(width, Size);
    ASSERT_EQ(height, Size);
    // GL's rows run bottom to top.
    for (int row = 0; row < Size; ++row)
        EXPECT_TRUE(std::equal(earth.begin() + (Size - 1 - row) * Size * 3, earth.begin() + (Size - row) * Size * 3,
                               png.get() + row * Size * 3))
            << "row " << row;
}
