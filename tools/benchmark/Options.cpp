#include "Options.h"

#include "CommandLine.h"
#include "Poses.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace
{
// The bloom's tenth level is 1/32 of the render size: anything smaller makes an empty target.
constexpr int MinimumRenderSize = 32;

int parseInteger(const std::string& option, const std::string& text, int minimum)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value < minimum || value > INT_MAX)
        throw std::invalid_argument(option + " needs a whole number of at least " + std::to_string(minimum) +
                                    ", not \"" + text + "\"");
    return static_cast<int>(value);
}

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ','))
        items.push_back(item);
    return items;
}
} // namespace

Options parseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    CommandLine line(arguments);
    while (line.next())
    {
        const std::string& option = line.word();
        if (option == "--width")
            options.width = parseInteger(option, line.value(), MinimumRenderSize);
        else if (option == "--height")
            options.height = parseInteger(option, line.value(), MinimumRenderSize);
        else if (option == "--frames")
            options.frames = parseInteger(option, line.value(), 0);
        else if (option == "--warmup")
            options.warmup = parseInteger(option, line.value(), 0);
        else if (option == "--allocation-frames")
            options.allocationFrames = parseInteger(option, line.value(), 0);
        else if (option == "--results")
            options.resultsFile = line.value();
        else if (option == "--pictures")
            options.picturesDirectory = line.value();
        else if (option == "--label")
            options.label = line.value();
        else if (option == "--poses")
        {
            options.poses = splitList(line.value());
            if (options.poses.empty())
                throw std::invalid_argument("--poses needs at least one pose");
            for (const std::string& pose : options.poses)
                if (!findPose(pose))
                    throw std::invalid_argument("--poses: unknown pose \"" + pose + "\" (earth, moon, sun)");
        }
        else if (option == "--against")
        {
            options.against.push_back(line.value());
            options.against.push_back(line.value());
        }
        else if (option == "--help" || option == "-h")
            options.help = true;
        else
            throw std::invalid_argument("unknown option \"" + option + "\"");
    }
    return options;
}

std::string usage()
{
    return "Usage: benchmark [options]\n"
           "  Run from a directory holding shader/ and models/.\n"
           "  --width N, --height N     render size (default 1200 x 960, at least 32)\n"
           "  --frames N                timed frames per pose and phase (default 60)\n"
           "  --warmup N                untimed frames per pose first (default 5)\n"
           "  --poses a,b               poses to time: earth, moon, sun (default all three)\n"
           "  --allocation-frames N     N more frames, cycling the poses, counting allocations only\n"
           "  --results FILE            also write the figures as tab-separated records\n"
           "  --pictures DIR            also write each pose's frame as DIR/<pose>.png\n"
           "  --label TEXT              heading of the report\n"
           "  --against CURRENT REFERENCE\n"
           "                            print this build's results beside a reference build's as speed-ups\n"
           "                            per pass and frame, judged against the target, and exit; each may be\n"
           "                            a comma-separated list of rounds, merged by the median of each figure\n";
}
