#include "ConfigurationCases.h"

#include <fstream>
#include <limits>

namespace
{
Configuration sized(int width, int height)
{
    Configuration config;
    config.width = width;
    config.height = height;
    return config;
}

Configuration sensitive(float zoom, float upDown)
{
    Configuration config = sized(320, 256);
    config.sensivityZoom = zoom;
    config.sensivityUpDown = upDown;
    return config;
}

// The five keys besides the size, all given the same kind of value; no flag value is a boolean word.
std::string flagsAndSensitivities(const std::string& flag, const std::string& zoom, const std::string& upDown)
{
    std::string text;
    for (const char* key : {"Fullscreen", "GLDebug", "WaitForVSync"})
        text += std::string(key) + "=" + flag + "\n";
    return text + "SensivityZoom=" + zoom + "\nSensivityUpDown=" + upDown + "\n";
}

// `key` takes each kind of value while the other dimension stays small.
void addSizeCases(std::vector<ConfigurationCase>& cases, const std::string& key)
{
    const bool width = key == "Width";
    const std::string base = "[MAIN]\n" + std::string(width ? "Height=256" : "Width=320") + "\n" + key + "=";
    auto add = [&](const std::string& name, const std::string& value, int read, StartupEnd end) {
        const Configuration expected = width ? sized(read, 256) : sized(320, read);
        cases.push_back({key + "/" + name, base + value, std::nullopt, expected, end});
    };
    const int small = width ? 320 : 256;
    const int defaultValue = width ? 1200 : 960;
    add("Empty", "\n", defaultValue, StartupEnd::Runs);
    add("Negative", "-" + std::to_string(small) + "\n", -small, StartupEnd::WindowFails);
    add("Hexadecimal", width ? "0x140\n" : "0x100\n", small, StartupEnd::Runs);
    add("Octal", width ? "0500\n" : "0400\n", small, StartupEnd::Runs);
    add("NonNumeric", "wide\n", defaultValue, StartupEnd::Runs);
    add("Repeated", std::to_string(small) + "\n" + key + "=640\n", small, StartupEnd::Runs);
    add("Zero", "0\n", 0, StartupEnd::WindowFails);
    // Too small for the smallest bloom level, which then has no pixels.
    add("One", "1\n", 1, StartupEnd::Incomplete);
    add("ThirtyOne", "31\n", 31, StartupEnd::Incomplete);
    add("HundredThousand", "100000\n", 100000, StartupEnd::IncompleteOrWindowFails);
    // The reader's long, narrowed to the int the program keeps: 99999999999 modulo 2^32.
    add("Huge", "99999999999\n", 1215752191, StartupEnd::IncompleteOrWindowFails);
}
} // namespace

std::vector<ConfigurationCase> configurationCases()
{
    const Configuration defaults;
    const std::string small = "[MAIN]\nWidth=320\nHeight=256\n";
    const float infinity = std::numeric_limits<float>::infinity();
    std::vector<ConfigurationCase> cases = {
        {"NoFile", std::nullopt, std::nullopt, defaults, StartupEnd::Runs},
        {"Empty", "", std::nullopt, defaults, StartupEnd::Runs},
        {"NoMainSection", "[OTHER]\nWidth=320\nHeight=256\n", std::nullopt, defaults, StartupEnd::Runs},
        {"KeysOutsideAnySection", "Width=320\nHeight=256\n", std::nullopt, defaults, StartupEnd::Runs},
        {"OneMegabyteOfNoise", noise(1 << 20, 3), std::nullopt, defaults, StartupEnd::Runs},
        // Lines the reader cannot parse are skipped; the keys after them still count.
        {"NoiseBeforeValidSection", noise(1 << 20, 5) + "\n" + small, std::nullopt, sized(320, 256), StartupEnd::Runs},
        {"Directory", small, Damage::Directory, defaults, StartupEnd::Runs},
        {"Unreadable", small, Damage::Unreadable, defaults, StartupEnd::Runs},

        {"Flags/Empty", small + flagsAndSensitivities("", "", ""), std::nullopt, sized(320, 256), StartupEnd::Runs},
        {"Flags/Negative", small + flagsAndSensitivities("-1", "-0.5", "-0.05"), std::nullopt, sensitive(-0.5f, -0.05f),
         StartupEnd::Runs},
        // Beyond a float's range: the narrowed sensitivities are infinite.
        {"Flags/Huge", small + flagsAndSensitivities("99999999999999999999", "1e300", "1e300"), std::nullopt,
         sensitive(infinity, infinity), StartupEnd::Runs},
        {"Flags/Hexadecimal", small + flagsAndSensitivities("0x1", "0x10", "0x1p-4"), std::nullopt,
         sensitive(16.0f, 0.0625f), StartupEnd::Runs},
        {"Flags/Octal", small + flagsAndSensitivities("01", "010", "010"), std::nullopt, sensitive(10.0f, 10.0f),
         StartupEnd::Runs},
        {"Flags/NonNumeric", small + flagsAndSensitivities("maybe", "fast", "slow"), std::nullopt, sized(320, 256),
         StartupEnd::Runs},
        {"Flags/NotANumberAndInfinity", small + flagsAndSensitivities("on1", "nan", "inf"), std::nullopt,
         sensitive(std::numeric_limits<float>::quiet_NaN(), infinity), StartupEnd::Runs},
        // A repeated key reads as both values joined by a line break: no boolean word, the first number.
        {"Flags/Repeated",
         small + flagsAndSensitivities("true", "0.2", "0.02") + flagsAndSensitivities("true", "50", "50"),
         std::nullopt, sensitive(0.2f, 0.02f), StartupEnd::Runs},
    };
    addSizeCases(cases, "Width");
    addSizeCases(cases, "Height");
    return cases;
}

void writeConfiguration(const ConfigurationCase& c, const std::filesystem::path& directory)
{
    if (!c.text)
        return;
    const std::filesystem::path file = directory / "Talvenmorquiddle.ini";
    std::ofstream(file, std::ios::binary) << *c.text;
    if (c.damage)
        applyDamage(file, *c.damage);
}
