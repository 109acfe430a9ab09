#include "VirtualDisplay.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
// Set in the environment of the run under xvfb-run, so that a display that never appears cannot make
// the tool start itself over and over.
const char* const UnderXvfb = "TOOLS_UNDER_XVFB";
} // namespace

void ensureDisplay(char** argv)
{
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
        return;
    if (std::getenv(UnderXvfb))
        throw std::runtime_error("xvfb-run started no display");

    std::vector<char*> args{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-s"),
                            const_cast<char*>("-screen 0 1920x1080x24")};
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    args.push_back(const_cast<char*>(self.c_str()));
    for (char** arg = argv + 1; *arg; ++arg)
        args.push_back(*arg);
    args.push_back(nullptr);
    setenv(UnderXvfb, "1", 1);
    std::cout << "No display (DISPLAY is not set): rendering on a virtual one started with xvfb-run." << std::endl;
    execvp(args[0], args.data());
    throw std::runtime_error(std::string("cannot run xvfb-run: ") + std::strerror(errno) +
                             " (install the xvfb package, or set DISPLAY)");
}
