#pragma once

#include <string>
#include <vector>

// What one run of the benchmark measures.
struct Options
{
    int width = 1200;
    int height = 960;
    // Timed frames per pose in each of the two phases (pipelined and serialised).
    int frames = 60;
    // Untimed frames per pose first: llvmpipe compiles shader variants on first use.
    int warmup = 5;
    std::vector<std::string> poses{"earth", "moon", "sun"};
    // Frames rendered after the timed ones, cycling the poses, with only the allocation count kept.
    int allocationFrames = 0;
    // Also write the results as tab-separated records here.
    std::string resultsFile;
    // Also write each pose's frame as DIR/<pose>.png, to compare pictures before and after a change.
    std::string picturesDirectory;
    // Heading of the report, e.g. the shader set.
    std::string label = "scene shaders";
    // Two results files, this build's and a reference build's, to print as speed-ups instead.
    std::vector<std::string> against;
    bool help = false;
};

// Reads the command line (without the program name). Throws std::invalid_argument with a message
// that names the offending option.
Options parseOptions(const std::vector<std::string>& arguments);
std::string usage();
