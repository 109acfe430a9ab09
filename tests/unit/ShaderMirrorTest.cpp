// Values that a shader text repeats from the C++: each named constant in the shader must hold the
// value of its C++ counterpart, or the renderer's rules and the pictures part ways.
#include "Atmosphere.h"
#include "Bloom.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
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

// Where `text` declares `const float name = value;` or `const int name = value;`: the value's text, after
// `from`; none where no such declaration follows.
std::optional<std::string> declaredValue(const std::string& text, const std::string& name, std::size_t& from)
{
    for (const char* type : {"float", "int"})
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
        // A plain number, declared once in the file.
        std::size_t from = 0;
        const std::optional<std::string> value = declaredValue(text, mirror.name, from);
        ASSERT_TRUE(value.has_value()) << "no such constant";
        EXPECT_FALSE(declaredValue(text, mirror.name, from).has_value()) << "declared twice";
        std::size_t parsed = 0;
        // Both sides hold the value as the float the GPU computes with.
        EXPECT_EQ(static_cast<float>(mirror.value), std::stof(*value, &parsed));
        EXPECT_EQ(value->size(), parsed) << "not a plain number: " << *value;
    }
}

} // namespace
