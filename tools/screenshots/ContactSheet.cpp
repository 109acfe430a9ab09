#include "ContactSheet.h"

#include <algorithm>
#include <cassert>
#include <cstdint>

namespace Screenshots
{

namespace
{

const unsigned char Background[3] = {0x1c, 0x1c, 0x1c};
const unsigned char Ink[3] = {0xe8, 0xe8, 0xe8};

// The source pixels that one new pixel covers along an axis, and how much of each. Lengths are
// counted in units where a source pixel is `to` long and a new one `from`, so every overlap is a
// whole number and the average exact.
struct Span
{
    int first = 0;
    std::vector<int> overlaps;
};

std::vector<Span> spans(int from, int to)
{
    std::vector<Span> result(static_cast<std::size_t>(to));
    for (int i = 0; i < to; ++i)
    {
        const long long begin = static_cast<long long>(i) * from;
        const long long end = begin + from;
        Span& span = result[static_cast<std::size_t>(i)];
        span.first = static_cast<int>(begin / to);
        for (int s = span.first; s < from && static_cast<long long>(s) * to < end; ++s)
        {
            const long long overlap = std::min(end, static_cast<long long>(s + 1) * to) -
                                      std::max(begin, static_cast<long long>(s) * to);
            span.overlaps.push_back(static_cast<int>(overlap));
        }
    }
    return result;
}

std::size_t offset(int width, int x, int y)
{
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
}

void fill(Picture& picture, int x, int y, const unsigned char colour[3])
{
    const std::size_t at = offset(picture.width, x, y);
    for (int c = 0; c < 3; ++c)
        picture.rgb[at + static_cast<std::size_t>(c)] = static_cast<char>(colour[c]);
}

void paste(Picture& sheet, const Picture& picture, int left, int top)
{
    for (int y = 0; y < picture.height; ++y)
        sheet.rgb.replace(offset(sheet.width, left, top + y), static_cast<std::size_t>(picture.width) * 3,
                          picture.rgb, offset(picture.width, 0, y), static_cast<std::size_t>(picture.width) * 3);
}

// `text` centred on the thumbnail's width from `left`. One too wide for it starts at `left`, so
// its beginning stays readable, and ends with the last glyph that fits.
void drawCaption(Picture& sheet, const std::string& text, int left, int top)
{
    const int count = static_cast<int>(text.size());
    const int width = count > 0 ? (count * GlyphAdvance - 1) * CaptionScale : 0;
    int x = left + std::max(0, (ThumbnailWidth - width) / 2);
    for (const char c : text)
    {
        if (x + GlyphWidth * CaptionScale > left + ThumbnailWidth)
            break;
        for (int gy = 0; gy < GlyphHeight; ++gy)
            for (int gx = 0; gx < GlyphWidth; ++gx)
            {
                if (!glyphPixel(c, gx, gy))
                    continue;
                for (int py = 0; py < CaptionScale; ++py)
                    for (int px = 0; px < CaptionScale; ++px)
                        fill(sheet, x + gx * CaptionScale + px, top + gy * CaptionScale + py, Ink);
            }
        x += GlyphAdvance * CaptionScale;
    }
}

} // namespace

Picture shrinkToFit(const Picture& picture, int width, int height)
{
    assert(picture.width > 0 && picture.height > 0 && width > 0 && height > 0);
    assert(picture.rgb.size() == offset(picture.width, 0, picture.height));
    if (picture.width <= width && picture.height <= height)
        return picture;

    // The side that is tighter against its limit sets the scale; the other is rounded to the nearest pixel.
    const long long w = picture.width;
    const long long h = picture.height;
    int newWidth = width;
    int newHeight = height;
    if (w * height >= h * width)
        newHeight = static_cast<int>(std::max(1LL, (2 * h * width + w) / (2 * w)));
    else
        newWidth = static_cast<int>(std::max(1LL, (2 * w * height + h) / (2 * h)));

    // Across first, into sums of overlap times value, then down.
    const std::vector<Span> across = spans(picture.width, newWidth);
    const std::vector<Span> down = spans(picture.height, newHeight);
    std::vector<std::uint64_t> rows(offset(newWidth, 0, picture.height));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < newWidth; ++x)
        {
            const Span& span = across[static_cast<std::size_t>(x)];
            for (std::size_t i = 0; i < span.overlaps.size(); ++i)
            {
                const std::size_t from = offset(picture.width, span.first + static_cast<int>(i), y);
                const std::uint64_t overlap = static_cast<std::uint64_t>(span.overlaps[i]);
                for (std::size_t c = 0; c < 3; ++c)
                    rows[offset(newWidth, x, y) + c] += overlap * static_cast<unsigned char>(picture.rgb[from + c]);
            }
        }

    // Each new pixel's overlaps add up to the source lengths it covers, picture.width × picture.height.
    const std::uint64_t area = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    Picture shrunk{newWidth, newHeight, std::string(offset(newWidth, 0, newHeight), '\0')};
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x)
        {
            const Span& span = down[static_cast<std::size_t>(y)];
            for (std::size_t c = 0; c < 3; ++c)
            {
                std::uint64_t sum = 0;
                for (std::size_t i = 0; i < span.overlaps.size(); ++i)
                    sum += static_cast<std::uint64_t>(span.overlaps[i]) *
                           rows[offset(newWidth, x, span.first + static_cast<int>(i)) + c];
                shrunk.rgb[offset(newWidth, x, y) + c] = static_cast<char>((sum + area / 2) / area);
            }
        }
    return shrunk;
}

Picture contactSheet(const std::vector<Picture>& pictures, const std::vector<std::string>& labels)
{
    assert(pictures.size() == labels.size());
    if (pictures.empty())
        return {};
    const int count = static_cast<int>(pictures.size());
    const int columns = std::min(count, SheetColumns);
    const int rowCount = (count + SheetColumns - 1) / SheetColumns;
    Picture sheet{columns * TileWidth, rowCount * TileHeight, {}};
    sheet.rgb.resize(offset(sheet.width, 0, sheet.height));
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x)
            fill(sheet, x, y, Background);

    for (int i = 0; i < count; ++i)
    {
        const int left = (i % SheetColumns) * TileWidth + TileMargin;
        const int top = (i / SheetColumns) * TileHeight + TileMargin;
        const Picture thumbnail =
            shrinkToFit(pictures[static_cast<std::size_t>(i)], ThumbnailWidth, ThumbnailHeight);
        paste(sheet, thumbnail, left + (ThumbnailWidth - thumbnail.width) / 2,
              top + (ThumbnailHeight - thumbnail.height) / 2);
        drawCaption(sheet, labels[static_cast<std::size_t>(i)], left, top + ThumbnailHeight + CaptionScale);
    }
    return sheet;
}

} // namespace Screenshots
