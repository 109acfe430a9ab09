#include "RecordOptions.h"

#include "CommandLine.h"
#include "TourShots.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace Record
{

namespace
{
// The bloom's smallest level is 1/32 of the render size: anything smaller makes an empty target.
constexpr int MinimumSide = 32;
// Four float targets of 4096 x 4096 already take a gigabyte.
constexpr int MaximumSide = 4096;
constexpr int MaximumFps = 240;
// H.264: at CRF 17 the video is 42 to 44 dB from the frames (4:2:0 colour alone leaves 45 to 48) and
// the Moon's craters and the faintest stars look as drawn; at 23 both blur. Slower presets gain under
// 1 dB at the same size for 1.2 to 2 times the encoder's time, which the renderer's cores pay.
const char* const Preset = "veryfast";
const char* const Quality = "17";
// WebP's lossy quality (0 to 100) for the preview.
const char* const WebPQuality = "80";

int parseFps(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < 1 || value > MaximumFps)
        throw std::invalid_argument("--fps needs a whole number of frames a second from 1 to " +
                                    std::to_string(MaximumFps) + ", not '" + text + "'");
    return static_cast<int>(value);
}

double parseSeconds(const std::string& option, const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0.0)
        throw std::invalid_argument(option + " needs a number of seconds >= 0, not '" + text + "'");
    return value;
}

// "1200x960" -> (1200, 960).
std::pair<int, int> parseSize(const std::string& text)
{
    const std::size_t x = text.find('x');
    const auto isSide = [](const std::string& digits) {
        return !digits.empty() && digits.size() <= 5 &&
               std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    };
    if (x == std::string::npos || !isSide(text.substr(0, x)) || !isSide(text.substr(x + 1)))
        throw std::invalid_argument("--size needs WIDTHxHEIGHT in pixels, such as 1200x960, not '" + text + "'");
    return {std::stoi(text.substr(0, x)), std::stoi(text.substr(x + 1))};
}

Format formatOf(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (extension == ".mp4")
        return Format::Mp4;
    if (extension == ".webp")
        return Format::WebP;
    throw std::invalid_argument("the file must end in .mp4 (a video) or .webp (an animated preview): '" +
                                file.string() + "'");
}

void checkSize(int width, int height, const std::string& origin)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (std::min(width, height) < MinimumSide || std::max(width, height) > MaximumSide)
        throw std::invalid_argument(origin + size + ": each side must be from " + std::to_string(MinimumSide) + " to " +
                                    std::to_string(MaximumSide) + " pixels");
    // 4:2:0 colour has one sample for each 2 x 2 pixels.
    if (width % 2 != 0 || height % 2 != 0)
        throw std::invalid_argument(origin + size + ": width and height must be even for the video's 4:2:0 colour");
}
} // namespace

Options parseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    CommandLine line(arguments);
    while (line.next())
    {
        const std::string& option = line.word();
        if (option == "--fps")
            options.fps = parseFps(line.value());
        else if (option == "--from")
            options.from = parseSeconds(option, line.value());
        else if (option == "--to")
            options.to = parseSeconds(option, line.value());
        else if (option == "--size")
        {
            const auto [width, height] = parseSize(line.value());
            checkSize(width, height, "--size ");
            options.width = width;
            options.height = height;
        }
        else if (option == "--root")
            options.root = line.value();
        else if (option == "--check")
            options.check = true;
        else if (option == "--help" || option == "-h")
            options.help = true;
        else if (option.size() > 1 && option[0] == '-')
            throw std::invalid_argument("unknown option '" + option + "'");
        else if (!options.file.empty())
            throw std::invalid_argument("one file only, not '" + options.file.string() + "' and '" + option + "'");
        else
        {
            formatOf(option);
            options.file = option;
        }
    }
    return options;
}

Recording planRecording(const Options& options, const Configuration& configuration, double tourSeconds,
                        const std::filesystem::path& defaultFile)
{
    Recording recording;
    recording.file = options.file.empty() ? defaultFile : options.file;
    recording.format = formatOf(recording.file);
    recording.fps = options.fps;
    recording.from = options.from.value_or(0.0);
    recording.to = options.to.value_or(tourSeconds);
    const std::string tour = "the tour lasts " + Screenshots::formatSeconds(tourSeconds) + " s";
    if (recording.from >= tourSeconds)
        throw std::invalid_argument("--from " + Screenshots::formatSeconds(recording.from) + " is not in the tour: " + tour);
    if (recording.to > tourSeconds)
        throw std::invalid_argument("--to " + Screenshots::formatSeconds(recording.to) + " is not in the tour: " + tour);
    if (recording.to <= recording.from)
        throw std::invalid_argument("--to " + Screenshots::formatSeconds(recording.to) + " must come after --from " +
                                    Screenshots::formatSeconds(recording.from));

    if (options.width)
    {
        recording.width = *options.width;
        recording.height = *options.height;
    }
    else
    {
        recording.width = configuration.width;
        recording.height = configuration.height;
        checkSize(recording.width, recording.height, "the size in Talvenmorquiddle.ini, ");
    }
    // Frames at from, from + 1/fps, ... before `to`; a span a whole number of frames long is not rounded up
    // by the error of its binary fraction.
    recording.frames = static_cast<long>(std::ceil((recording.to - recording.from) * recording.fps - 1.0e-6));
    return recording;
}

double frameTime(const Recording& recording, long index)
{
    return recording.from + static_cast<double>(index) / recording.fps;
}

std::vector<std::string> encoderArguments(const Recording& recording, const std::filesystem::path& output)
{
    std::vector<std::string> arguments{"ffmpeg", "-hide_banner", "-nostats", "-loglevel", "error",
                                       "-f", "rawvideo", "-pixel_format", "rgba",
                                       "-video_size", std::to_string(recording.width) + "x" + std::to_string(recording.height),
                                       "-framerate", std::to_string(recording.fps), "-i", "pipe:0"};
    if (recording.format == Format::Mp4)
        // The frames are sRGB: converted with BT.709's matrix and tagged so, a player shows their colours,
        // where an untagged video leaves it guessing between BT.601 and BT.709. +faststart puts the index
        // first, so that a browser starts playing before the whole file has arrived.
        arguments.insert(arguments.end(), {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                                           "-c:v", "libx264", "-preset", Preset, "-crf", Quality,
                                           "-colorspace", "bt709", "-color_primaries", "bt709",
                                           "-color_trc", "iec61966-2-1", "-movflags", "+faststart", "-f", "mp4"});
    else
        arguments.insert(arguments.end(), {"-c:v", "libwebp_anim", "-quality", WebPQuality, "-loop", "0", "-f", "webp"});
    arguments.insert(arguments.end(), {"-y", output.string()});
    return arguments;
}

std::string usage()
{
    return "Usage: record [FILE] [--fps N] [--from S] [--to S] [--size WxH] [--check] [--root DIR]\n"
           "\n"
           "Records the demo's opening tour: renders it in-process (a hidden window on Mesa's software\n"
           "renderer) at exact tour times, one frame every 1/N s, and streams the frames to ffmpeg. FILE ending\n"
           "in .mp4 gets H.264 video; in .webp, an animated picture. FILE is replaced only by a finished\n"
           "recording. Without DISPLAY it runs itself under xvfb-run.\n"
           "\n"
           "  FILE        where to write (default build/tour.mp4 in the repository)\n"
           "  --fps N     frames a second, 1 to 240 (default 30)\n"
           "  --from S    tour second to start at (default 0)\n"
           "  --to S      tour second to end before (default: the end of the tour)\n"
           "  --size WxH  width and height in pixels, even, 32 to 4096 (default: Talvenmorquiddle.ini's)\n"
           "  --check     check the options and that FILE can be written, say what would be recorded, exit\n"
           "  --root DIR  the folder holding Talvenmorquiddle.ini, shader/ and models/ (default: the repository)\n";
}

} // namespace Record
