#pragma once

// The record tool's command line: what it is asked for, then what one recording makes once the
// configuration's size and the tour's length are known. Nothing here draws or touches a file.

#include "Configuration.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace Record
{

enum class Format
{
    // H.264 in MP4: the video to share.
    Mp4,
    // An animated WebP: a short preview a web page shows by itself.
    WebP,
};

// The command line as given, each value checked on its own.
struct Options
{
    std::filesystem::path file;
    int fps = 30;
    std::optional<double> from;
    std::optional<double> to;
    std::optional<int> width;
    std::optional<int> height;
    std::filesystem::path root;
    bool check = false;
    bool help = false;
};

// One recording: frame k shows tour time from + k / fps.
struct Recording
{
    std::filesystem::path file;
    Format format = Format::Mp4;
    int fps = 30;
    double from = 0.0;
    double to = 0.0;
    int width = 0;
    int height = 0;
    long frames = 0;
};

// Throws std::invalid_argument with a message naming the bad option and value.
Options parseOptions(const std::vector<std::string>& arguments);

// The recording `options` ask for: the size defaults to the configuration's, the range to the whole
// tour of `tourSeconds`, the file to `defaultFile`. Throws std::invalid_argument for a range outside
// the tour or a size the encoder cannot take.
Recording planRecording(const Options& options, const Configuration& configuration, double tourSeconds,
                        const std::filesystem::path& defaultFile);

// The tour time of frame `index`.
double frameTime(const Recording& recording, long index);

// ffmpeg's command line, reading raw top-down RGBA frames on its standard input and writing `output`.
std::vector<std::string> encoderArguments(const Recording& recording, const std::filesystem::path& output);

std::string usage();

} // namespace Record
