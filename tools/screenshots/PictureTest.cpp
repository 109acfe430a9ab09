#include "Picture.h"

#include <stb_image.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

namespace
{

using namespace Screenshots;

// Two by two pixels: red, green / blue, white.
const std::string Pixels = std::string("\xff\x00\x00\x00\xff\x00", 6) + std::string("\x00\x00\xff\xff\xff\xff", 6);

TEST(PictureTest, ParsePpmReadsImageMagicksOutputAndRejectsEverythingElse)
{
    const struct
    {
        const char* name;
        std::string data;
        bool valid;
    } cases[] = {
        {"plain", "P6\n2 2\n255\n" + Pixels, true},
        {"one line", "P6 2 2 255 " + Pixels, true},
        {"comments", "P6\n# written by import\n2 2\n# eight bits\n255\n" + Pixels, true},
        {"pixels starting with white space", "P6\n2 2\n255\n" + std::string("\n\n\n") + Pixels.substr(3), true},
        {"empty", "", false},
        {"ASCII PPM", "P3\n2 2\n255\n" + Pixels, false},
        {"grey map", "P5\n2 2\n255\n" + Pixels, false},
        {"sixteen bits", "P6\n2 2\n65535\n" + Pixels + Pixels, false},
        {"cut short", "P6\n2 2\n255\n" + Pixels.substr(0, 11), false},
        {"trailing bytes", "P6\n2 2\n255\n" + Pixels + "x", false},
        {"no separator", "P6\n2 2\n255", false},
        {"zero width", "P6\n0 2\n255\n", false},
        {"huge size", "P6\n99999999999 2\n255\n" + Pixels, false},
        {"missing height", "P6\n2\n", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::optional<Picture> picture = parsePpm(c.data);
        ASSERT_EQ(c.valid, picture.has_value());
        if (!picture)
            continue;
        EXPECT_EQ(2, picture->width);
        EXPECT_EQ(2, picture->height);
        EXPECT_EQ(12u, picture->rgb.size());
    }
    // The pixels arrive unchanged, in order.
    EXPECT_EQ(Pixels, parsePpm("P6\n2 2\n255\n" + Pixels)->rgb);
}

TEST(PictureTest, WritePngKeepsEveryPixelAndRefusesInconsistentPictures)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("screenshots-picture-test-" + std::to_string(::getpid()) + ".png");
    // Three wide, so rows are not a multiple of four bytes long.
    Picture picture{3, 2, {}};
    for (int i = 0; i < 18; ++i)
        picture.rgb += static_cast<char>(i * 14);
    ASSERT_TRUE(writePng(picture, file));

    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* read = stbi_load(file.c_str(), &width, &height, &channels, 3);
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(3, width);
    EXPECT_EQ(2, height);
    EXPECT_EQ(picture.rgb, std::string(reinterpret_cast<const char*>(read), 18));
    stbi_image_free(read);
    std::filesystem::remove(file);

    EXPECT_FALSE(writePng(Picture{3, 2, picture.rgb.substr(1)}, file));
    EXPECT_FALSE(writePng(Picture{0, 2, {}}, file));
    EXPECT_FALSE(writePng(picture, std::filesystem::path("/nonexistent-folder") / "x.png"));
}

} // namespace
