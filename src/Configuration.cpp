#include "Configuration.h"

#include <INIReader.h>

Configuration readConfiguration(const std::string& fileName)
{
    const INIReader reader(fileName);
    const Configuration defaults;
    Configuration config;
    config.fullscreen = reader.GetBoolean("MAIN", "Fullscreen", defaults.fullscreen);
    config.width = static_cast<int>(reader.GetInteger("MAIN", "Width", defaults.width));
    config.height = static_cast<int>(reader.GetInteger("MAIN", "Height", defaults.height));
    config.glDebug = reader.GetBoolean("MAIN", "GLDebug", defaults.glDebug);
    config.sensivityZoom = static_cast<float>(reader.GetReal("MAIN", "SensivityZoom", defaults.sensivityZoom));
    config.sensivityUpDown = static_cast<float>(reader.GetReal("MAIN", "SensivityUpDown", defaults.sensivityUpDown));
    config.waitForVSync = reader.GetBoolean("MAIN", "WaitForVSync", defaults.waitForVSync);
    return config;
}
