// Values that a shader text repeats from the C++: each named constant in the shader must hold the
// value of its C++ counterpart, or the renderer's rules and the pictures part ways.
#include "Atmosphere.h"
#include "Bloom.h"
#include "Scattering.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace
{

std::string shaderText(const std::string& file)
{
    std::ifstream in(std::string(TALVEN_SOURCE_DIR) + "/shader/" + file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where `text` declares `const <type> name = value;`: the value's text, after `from`; none where no such
// declaration follows.
std::optional<std::string> declaredValue(const std::string& text, const std::string& name, std::size_t& from)
{
    for (const char* type : {"float", "int", "vec3"})
    {
        const std::string declaration = std::string("const ") + type + " " + name + " = ";
        const std::size_t at = text.find(declaration, from);
        if (at == std::string::npos)
            continue;
        const std::size_t start = at + declaration.size();
        const std::size_t end = text.find(';', start);
        from = end;
        return text.substr(start, end - start);
    }
    return std::nullopt;
}

// The numbers of a value written as a plain number or as vec3(x, y, z); none where it is anything else.
std::optional<std::vector<float>> numbers(std::string value)
{
    const std::string vector = "vec3(";
    if (value.compare(0, vector.size(), vector) == 0 && value.back() == ')')
        value = value.substr(vector.size(), value.size() - vector.size() - 1);
    std::vector<float> result;
    std::istringstream list(value);
    std::string item;
    while (std::getline(list, item, ','))
    {
        std::size_t parsed = 0;
        try
        {
            result.push_back(std::stof(item, &parsed));
        }
        catch (const std::exception&)
        {
            return std::nullopt;
        }
        if (item.find_first_not_of(' ', parsed) != std::string::npos)
            return std::nullopt;
    }
    return result;
}

TEST(ShaderMirrorTest, EveryMirroredConstantHoldsTheCppValue)
{
    namespace Air = Resource::Scattering;
    const glm::vec3 sceneZenithDepth = Air::zenithDepth(Resource::AtmosphereColor);
    const glm::vec3 opacityWeights = Air::OpacityWeights;
    const std::string atmosphereVertex = "Atmosphere.vertexShader.txt";
    const std::string atmosphereFragment = "Atmosphere.fragmentShader.txt";
    const std::string earth = "Earth.tessEval.txt";
    const struct
    {
        std::string file;
        const char* name;
        std::vector<float> values;
        // Zero where the shader must hold the very float; values the C++ computes may round apart.
        float tolerance = 0.0f;
    } mirrors[] = {
        {atmosphereVertex, "OverSceneStage", {Resource::OverSceneStage}},
        {atmosphereVertex, "NearShellMargin", {Resource::NearShellMargin}},
        {atmosphereVertex, "AtmosphereScale", {Resource::AtmosphereScale}},
        {atmosphereVertex, "ScaleHeight", {Air::ScaleHeight}},
        {atmosphereVertex, "DensityExponentLimit", {Air::DensityExponentLimit}},
        {atmosphereVertex, "RayleighZenithDepth", {Air::RayleighZenithDepth}},
        {atmosphereVertex, "MieZenithDepth", {Air::MieZenithDepth}},
        {atmosphereVertex, "MieAsymmetry", {Air::MieAsymmetry}},
        {atmosphereVertex, "SunIntensity", {Air::SunIntensity}},
        {atmosphereVertex, "SourceHeight", {Air::SourceHeight}},
        {atmosphereFragment, "OverSceneStage", {Resource::OverSceneStage}},
        {atmosphereFragment, "AtmosphereScale", {Resource::AtmosphereScale}},
        {atmosphereFragment, "ScaleHeight", {Air::ScaleHeight}},
        {atmosphereFragment, "DensityExponentLimit", {Air::DensityExponentLimit}},
        {atmosphereFragment, "OpacityWeights", {opacityWeights.x, opacityWeights.y, opacityWeights.z}},
        {earth, "ScaleHeight", {Air::ScaleHeight}},
        {earth, "DensityExponentLimit", {Air::DensityExponentLimit}},
        {earth, "CloudTopHeight", {Air::CloudTopHeight}},
        {earth, "SkylightShare", {Air::SkylightShare}},
        {earth, "SceneZenithDepth", {sceneZenithDepth.x, sceneZenithDepth.y, sceneZenithDepth.z}, 1e-6f},
        {"Bloom.fragmentShader.txt", "TapsPerSide", {Bloom::TapsPerSide}},
        {"Bloom.fragmentShader.txt", "TexelsPerTap", {Bloom::TexelsPerTap}},
        {"Bloom.fragmentShader.txt", "FirstSpread", {Bloom::FirstSpread}},
        {"Bloom.fragmentShader.txt", "SpreadPerPass", {Bloom::SpreadPerPass}},
        {"Bloom.fragmentShader.txt", "MinSpread", {Bloom::MinSpread}},
        {"Bloom.fragmentShader.txt", "MaxSpread", {Bloom::MaxSpread}},
    };
    for (const auto& mirror : mirrors)
    {
        SCOPED_TRACE(mirror.file + " " + mirror.name);
        const std::string text = shaderText(mirror.file);
        ASSERT_FALSE(text.empty()) << "no shader text";
        std::size_t from = 0;
        const std::optional<std::string> value = declaredValue(text, mirror.name, from);
        ASSERT_TRUE(value.has_value()) << "no such constant";
        EXPECT_FALSE(declaredValue(text, mirror.name, from).has_value()) << "declared twice";
        // Plain numbers, which the shader computes with as floats.
        const std::optional<std::vector<float>> shader = numbers(*value);
        ASSERT_TRUE(shader.has_value()) << "not plain numbers: " << *value;
        ASSERT_EQ(mirror.values.size(), shader->size()) << *value;
        for (std::size_t i = 0; i < shader->size(); ++i)
            EXPECT_NEAR(mirror.values[i], (*shader)[i], mirror.tolerance) << "component " << i;
    }
}

} // namespace
