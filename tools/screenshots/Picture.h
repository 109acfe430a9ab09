#pragma once

// A photograph of the window as 8-bit RGB, read from ImageMagick's PPM output and written as PNG.

#include <filesystem>
#include <optional>
#include <string>

namespace Screenshots
{

struct Picture
{
    int width = 0;
    int height = 0;
    // Rows top to bottom, three bytes a pixel.
    std::string rgb;
};

// A binary PPM ("P6", maximum value 255, '#' comments allowed in the header); nothing when the
// data is not one or is cut short.
std::optional<Picture> parsePpm(const std::string& data);

bool writePng(const Picture& picture, const std::filesystem::path& file);

} // namespace Screenshots
