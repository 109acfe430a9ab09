#include "Picture.h"

#include <stb_image_write.h>

#include <cctype>
#include <limits>

namespace Screenshots
{

namespace
{

// The next header number, skipping white space and comments; -1 when there is none.
long long headerNumber(const std::string& data, std::size_t& at)
{
    for (;;)
    {
        while (at < data.size() && std::isspace(static_cast<unsigned char>(data[at])))
            ++at;
        if (at < data.size() && data[at] == '#')
        {
            while (at < data.size() && data[at] != '\n')
                ++at;
            continue;
        }
        break;
    }
    long long value = -1;
    while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])))
    {
        value = (value < 0 ? 0 : value * 10) + (data[at] - '0');
        if (value > std::numeric_limits<int>::max())
            return -1;
        ++at;
    }
    return value;
}

} // namespace

std::optional<Picture> parsePpm(const std::string& data)
{
    if (data.compare(0, 2, "P6") != 0)
        return std::nullopt;
    std::size_t at = 2;
    const long long width = headerNumber(data, at);
    const long long height = headerNumber(data, at);
    const long long maximum = headerNumber(data, at);
    // Exactly one white-space byte separates the header from the pixels.
    if (width <= 0 || height <= 0 || maximum != 255 || at >= data.size() ||
        !std::isspace(static_cast<unsigned char>(data[at])))
        return std::nullopt;
    ++at;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    if (data.size() - at != size)
        return std::nullopt;
    return Picture{static_cast<int>(width), static_cast<int>(height), data.substr(at)};
}

bool writePng(const Picture& picture, const std::filesystem::path& file)
{
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3)
        return false;
    return stbi_write_png(file.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3) != 0;
}

} // namespace Screenshots
