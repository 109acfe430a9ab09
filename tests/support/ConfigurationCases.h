// Spoilt configuration files, what the reader makes of each and what start-up then does. The unit
// tests check the reading, the GL and application tests what follows from the values read.
#pragma once

#include "Configuration.h"
#include "Damage.h"

#include <optional>
#include <string>
#include <vector>

enum class StartupEnd
{
    Runs,
    // The window cannot be made: "m_pWindow=0".
    WindowFails,
    // A render target without pixels: the incomplete framebuffer's plain string.
    Incomplete,
    // Beyond what the window system or the driver takes: either refusal reports.
    IncompleteOrWindowFails,
};

struct ConfigurationCase
{
    std::string name;
    // No file at all when unset.
    std::optional<std::string> text;
    // Done to the written file.
    std::optional<Damage> damage;
    Configuration expected;
    StartupEnd end;
};

std::vector<ConfigurationCase> configurationCases();

// Writes the case's file (if any) into `directory` as "Talvenmorquiddle.ini" and spoils it.
void writeConfiguration(const ConfigurationCase& c, const std::filesystem::path& directory);
