// Values that a shader text repeats from the C++: each named constant in the shader must hold the
// value of its C++ counterpart, or the renderer's rules and the pictures part ways.
#include "Atmosphere.h"
#include "Bloom.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace
{

std::string shaderText(const std::string& file)
{
    std::ifstream in(std::string(TALVEN_SOURCE_DIR) + "/shader/" + file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ShaderMirrorTest, EveryMirroredConstantHoldsTheCppValue)
{
    const struct
    {
        const char* file;
        const char* name;
        double value;
    } mirrors[] = {
        {"Atmosphere.vertexShader.txt", "OverSceneStage", Resource::OverSceneStage},
        {"Atmosphere.vertexShader.txt", "NearShellMargin", Resource::NearShellMargin},
        {"Atmosphere.fragmentShader.txt", "OverSceneStage", Resource::OverSceneStage},
        {"Atmosphere.fragmentShader.txt", "AtmosphereScale", Resource::AtmosphereScale},
        {"Bloom.fragmentShader.txt", "TapsPerSide", Bloom::TapsPerSide},
        {"Bloom.fragmentShader.txt", "TexelsPerTap", Bloom::TexelsPerTap},
        {"Bloom.fragmentShader.txt", "FirstSpread", Bloom::FirstSpread},
        {"Bloom.fragmentShader.txt", "SpreadPerPass", Bloom::SpreadPerPass},
        {"Bloom.fragmentShader.txt", "MinSpread", Bloom::MinSpread},
        {"Bloom.fragmentShader.txt", "MaxSpread", Bloom::MaxSpread},
    };
    for (const auto& mirror : mirrors)
    {
        SCOPED_TRACE(std::string(mirror.file) + " " + mirror.name);
        const std::string text = shaderText(mirror.file);
        ASSERT_FALSE(text.empty()) << "no shader text";
        // `const float Name = 1.5;` or `const int Name = 3;`, a plain number, once in the file.
        const std::regex declaration("const\\s+(float|int)\\s+" + std::string(mirror.name) +
                                     "\\s*=\\s*([-+0-9.eE]+)\\s*;");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(text, match, declaration)) << "no such constant";
        const std::string rest = match.suffix();
        EXPECT_FALSE(std::regex_search(rest, declaration)) << "declared twice";
        // Both sides hold the value as the float the GPU computes with.
        EXPECT_EQ(static_cast<float>(mirror.value), std::stof(match[2].str()));
    }
}

} // namespace
