#include "ContactSheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace Screenshots;

const std::string BackgroundPixel = "\x1c\x1c\x1c";
const std::string InkPixel = "\xe8\xe8\xe8";
const std::string Red = std::string("\xff\x00\x00", 3);

Picture filled(int width, int height, const std::string& pixel)
{
    Picture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i)
        picture.rgb += pixel;
    return picture;
}

std::size_t offset(const Picture& picture, int x, int y)
{
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) + static_cast<std::size_t>(x)) * 3;
}

std::string pixelAt(const Picture& picture, int x, int y)
{
    return picture.rgb.substr(offset(picture, x, y), 3);
}

struct Box
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box& other) const
    {
        return left == other.left && top == other.top && width == other.width && height == other.height;
    }
};

std::ostream& operator<<(std::ostream& out, const Box& box)
{
    return out << box.width << "x" << box.height << " at " << box.left << "," << box.top;
}

// The smallest box around the pixels of `pixel` within `area`; empty when there are none.
Box around(const Picture& picture, const Box& area, const std::string& pixel)
{
    int left = area.left + area.width;
    int top = area.top + area.height;
    int right = area.left - 1;
    int bottom = area.top - 1;
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            if (picture.rgb.compare(offset(picture, x, y), 3, pixel) == 0)
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < left)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

Box tile(int index)
{
    return {(index % SheetColumns) * TileWidth, (index / SheetColumns) * TileHeight, TileWidth, TileHeight};
}

// Where a caption may draw: under the thumbnail, within the thumbnail's columns.
Box captionArea(int index)
{
    const Box t = tile(index);
    return {t.left + TileMargin, t.top + TileMargin + ThumbnailHeight, ThumbnailWidth, CaptionHeight};
}

TEST(ContactSheetTest, TilesFourToARowWithEachThumbnailCentredInItsTile)
{
    const struct
    {
        const char* name;
        int count;
        int width;
        int height;
        int sheetWidth;
        int sheetHeight;
        // The thumbnail within its tile.
        Box thumbnail;
    } cases[] = {
        {"one window-sized shot", 1, 1200, 960, 492, 418, {6, 6, 480, 384}},
        {"a full row", 4, 1200, 960, 1968, 418, {6, 6, 480, 384}},
        {"one on a second row", 5, 1200, 960, 1968, 836, {6, 6, 480, 384}},
        {"seven, the tour's count", 7, 1200, 960, 1968, 836, {6, 6, 480, 384}},
        {"wide", 2, 1920, 1080, 984, 418, {6, 63, 480, 270}},
        {"tall", 3, 300, 900, 1476, 418, {182, 6, 128, 384}},
        {"smaller than a tile, kept as it is", 1, 10, 10, 492, 418, {241, 193, 10, 10}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::vector<Picture> pictures(static_cast<std::size_t>(c.count), filled(c.width, c.height, Red));
        const Picture sheet = contactSheet(pictures, std::vector<std::string>(pictures.size()));
        ASSERT_EQ(c.sheetWidth, sheet.width);
        ASSERT_EQ(c.sheetHeight, sheet.height);
        ASSERT_EQ(static_cast<std::size_t>(sheet.width) * sheet.height * 3, sheet.rgb.size());
        // Every tile the sheet has room for, including those left empty at the end of the last row.
        const int tiles = (sheet.width / TileWidth) * (sheet.height / TileHeight);
        for (int i = 0; i < tiles; ++i)
        {
            SCOPED_TRACE("tile " + std::to_string(i));
            const Box t = tile(i);
            const Box expected = i < c.count ? Box{t.left + c.thumbnail.left, t.top + c.thumbnail.top,
                                                   c.thumbnail.width, c.thumbnail.height}
                                             : Box{};
            EXPECT_EQ(expected, around(sheet, t, Red));
            EXPECT_EQ(BackgroundPixel, pixelAt(sheet, t.left, t.top));
        }
    }
    EXPECT_EQ(0, contactSheet({}, {}).width);
}

TEST(ContactSheetTest, ShrinkAveragesTheAreaEachNewPixelCovers)
{
    const struct
    {
        const char* name;
        int width;
        int height;
        std::vector<int> greys;
        int fitWidth;
        int fitHeight;
        int newWidth;
        int newHeight;
        std::vector<int> expected;
    } cases[] = {
        {"checker to one pixel", 2, 2, {0, 255, 255, 0}, 1, 1, 1, 1, {128}},
        {"half of the middle pixel each", 3, 1, {0, 255, 0}, 2, 2, 2, 1, {85, 85}},
        {"the same down a column", 1, 3, {0, 255, 0}, 2, 2, 1, 2, {85, 85}},
        {"stripes", 4, 2, {0, 255, 0, 255, 0, 255, 0, 255}, 2, 2, 2, 1, {128, 128}},
        {"each half by itself", 4, 1, {0, 0, 100, 100}, 2, 2, 2, 1, {0, 100}},
        {"already small enough", 2, 1, {10, 200}, 480, 384, 2, 1, {10, 200}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        // Red carries the grey and green its opposite, so mixed-up channels show.
        Picture picture{c.width, c.height, {}};
        for (const int grey : c.greys)
            picture.rgb += std::string{static_cast<char>(grey), static_cast<char>(255 - grey), '\x07'};
        const Picture shrunk = shrinkToFit(picture, c.fitWidth, c.fitHeight);
        ASSERT_EQ(c.newWidth, shrunk.width);
        ASSERT_EQ(c.newHeight, shrunk.height);
        ASSERT_EQ(c.expected.size() * 3, shrunk.rgb.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i)
        {
            EXPECT_EQ(c.expected[i], static_cast<unsigned char>(shrunk.rgb[i * 3])) << "pixel " << i;
            EXPECT_NEAR(255 - c.expected[i], static_cast<unsigned char>(shrunk.rgb[i * 3 + 1]), 1) << "pixel " << i;
            EXPECT_EQ(7, shrunk.rgb[i * 3 + 2]) << "pixel " << i;
        }
    }
}

TEST(ContactSheetTest, CaptionsAreCentredAndStayInsideTheirTile)
{
    const Box first = captionArea(0);
    const Box second = captionArea(1);
    const struct
    {
        const char* name;
        std::string label;
        // The ink in the first caption, the second's label being empty.
        Box ink;
    } cases[] = {
        // H is set in its first and last column, so its ink is its whole glyph. Forty glyphs fill a
        // thumbnail's width, the last one's blank column at its edge.
        {"short, centred", "H", {first.left + 235, first.top + CaptionScale, 10, 14}},
        {"too long, cut at the edge", std::string(100, 'H'), {first.left, first.top + CaptionScale, 478, 14}},
        {"blank", "   ", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::vector<Picture> pictures(2, filled(4, 4, Red));
        const Picture sheet = contactSheet(pictures, {c.label, ""});
        EXPECT_EQ(c.ink, around(sheet, captionArea(0), InkPixel));
        // Nothing in the margins or the neighbour's tile: the ink on the whole sheet is all in place.
        EXPECT_EQ(c.ink, around(sheet, {0, 0, sheet.width, sheet.height}, InkPixel));
        EXPECT_EQ(Box{}, around(sheet, second, InkPixel));
    }
}

TEST(ContactSheetTest, CharactersOutsideTheFontDrawAnEmptyBox)
{
    const std::vector<Picture> pictures(1, filled(4, 4, Red));
    const Picture box = contactSheet(pictures, {"\x01"});
    const Box ink = around(box, captionArea(0), InkPixel);
    EXPECT_EQ(10, ink.width);
    EXPECT_EQ(14, ink.height);
    EXPECT_EQ(BackgroundPixel, pixelAt(box, ink.left + ink.width / 2, ink.top + ink.height / 2)) << "hollow";
    EXPECT_EQ(InkPixel, pixelAt(box, ink.left, ink.top + ink.height / 2));

    const struct
    {
        const char* name;
        std::string label;
    } cases[] = {{"delete", "\x7f"}, {"a byte of UTF-8", "\xc3"}, {"a tab", "\t"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(box.rgb, contactSheet(pictures, {c.label}).rgb);
    }
}

} // namespace
