#pragma once

#include <string>

// The seven settings of the [MAIN] section, with their defaults.
struct Configuration
{
    bool fullscreen = false;
    int width = 1200;
    int height = 960;
    bool glDebug = false;
    float sensivityZoom = 0.1f;
    float sensivityUpDown = 0.01f;
    bool waitForVSync = false;
};

// A missing or malformed file is not an error: every key it lacks keeps its default.
Configuration readConfiguration(const std::string& fileName);
