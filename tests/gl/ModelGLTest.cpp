// The model base with a real driver: what reaches the shader, what a failed load reports, the state
// the base draw leaves, and what the Sun and Moon programs write.
#include "BodyGLSupport.h"
#include "Moon.h"
#include "Sun.h"
#include "TempDir.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using BodyGL::Target;

// A body made from files the test writes; no motion, so its model matrix stays the identity.
class FixtureBody final : public Resource::Model
{
public:
    FixtureBody(const std::string& modelFile, const std::string& shaderName,
                const std::vector<Resource::TextureSlot>& textures = {})
    {
        load({modelFile, shaderName, 1.0f, false}, textures, {});
    }
};

// Shows the vertex attributes as the fragment's colour: (normal.w, u, v, position.w).
const char* const AttributeVertexShader = R"(#version 400 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 normal;
layout(location = 2) in vec2 texCoord;
uniform mat4 modelMat;
uniform mat4 viewMat;
uniform mat4 projectionMat;
out vec4 attributes;
void main()
{
    attributes = vec4(normal.w, texCoord, position.w);
    gl_Position = projectionMat * viewMat * modelMat * vec4(position.xyz, 1.0);
}
)";

const char* const AttributeFragmentShader = R"(#version 400 core
in vec4 attributes;
layout(location = 0) out vec4 fragColor;
void main()
{
    fragColor = attributes;
}
)";

// A square over the whole viewport, counter-clockwise seen from +z: front-facing for identity matrices.
// `corner` follows each vertex number of the faces ("/1/1", "//1" or nothing).
std::string viewportSquare(const std::string& texCoordLine, const std::string& corner)
{
    return "v -2 -2 0\nv 2 -2 0\nv 2 2 0\nv -2 2 0\n" + texCoordLine + "vn 0 0 1\n" + "f 1" + corner + " 2" + corner +
           " 3" + corner + "\nf 1" + corner + " 3" + corner + " 4" + corner + "\n";
}

class ModelGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        m_Dir.write("shader/ModelGLAttributes.vertexShader.txt", AttributeVertexShader);
        m_Dir.write("shader/ModelGLAttributes.fragmentShader.txt", AttributeFragmentShader);
    }

    TempDir m_Dir;
};

std::string loadError(const std::function<void()>& load)
{
    try
    {
        load();
    }
    catch (const std::exception& error)
    {
        return error.what();
    }
    return "no error";
}

TEST_F(ModelGLTest, AttributesArriveAsLaidOut)
{
    struct Case
    {
        const char* name;
        std::string obj;
        std::array<float, 4> expected;
    };
    // One texture coordinate shared by all corners is enough to see it arrive.
    const Case cases[] = {
        {"with texture coordinates", viewportSquare("vt 0.25 0.75\n", "/1/1"), {1.0f, 0.25f, 0.75f, 1.0f}},
        {"without texture coordinates", viewportSquare("", "//1"), {1.0f, 0.0f, 0.0f, 1.0f}},
    };
    const ScopedWorkingDirectory inTemp(m_Dir.path());
    Target target(1, {0});
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_Dir.write("models/square.obj", c.obj);
        FixtureBody body("models/square.obj", "ModelGLAttributes");
        target.bindCleared();
        body.render();
        const std::array<float, 4> centre = target.pixel(0, 8, 8);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(c.expected[static_cast<std::size_t>(i)], centre[static_cast<std::size_t>(i)], 1e-6f)
                << "component " << i;
    }
}

TEST_F(ModelGLTest, FailedLoadsReportTheirCause)
{
    struct Case
    {
        const char* name;
        const char* modelFile;
        std::vector<Resource::TextureSlot> textures;
        const char* message;
    };
    m_Dir.write("models/square.obj", viewportSquare("", ""));
    m_Dir.write("models/garbage.obj", "garbage\n");
    const Case cases[] = {
        {"model file missing", "models/missing.obj", {}, "Failed to load model. ASSIMP-ERROR"},
        {"model file unreadable", "models/garbage.obj", {}, "Failed to load model. ASSIMP-ERROR"},
        {"image missing", "models/square.obj", {{"models/missing.png", 0, "textureColor", 0}}, "Could not load texture"},
    };
    const ScopedWorkingDirectory inTemp(m_Dir.path());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.message, loadError([&] { FixtureBody body(c.modelFile, "ModelGLAttributes", c.textures); }));
    }
}

TEST_F(ModelGLTest, SunAndMoonHaveTheirSizeAndTheirMapOnUnitZero)
{
    struct Case
    {
        const char* name;
        std::function<std::unique_ptr<Resource::Model>()> make;
        float size;
    };
    const Case cases[] = {
        {"sun", [] { return std::make_unique<Resource::Sun>(); }, 5.0f},
        {"moon", [] { return std::make_unique<Resource::Moon>(); }, 0.25f},
    };
    Target target(2);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<Resource::Model> body = c.make();
        EXPECT_EQ(c.size, body->getSize());
        target.bindCleared();
        body->render();

        // The one sampler is on unit 0.
        GLint sampler = -1;
        glGetUniformiv(body->getProgram(), glGetUniformLocation(body->getProgram(), "textureColor"), &sampler);
        EXPECT_EQ(0, sampler);
    }
}

TEST_F(ModelGLTest, SunGlowsAndTheMoonHasADarkNightSide)
{
    Target target(2);

    Resource::Sun sun;
    sun.update(0.0f, 1);
    // The tour's view of the Sun, from 20 units.
    BodyGL::lookAt(sun, {0.0f, -20.0f, 0.0f}, {0.0f, 0.0f, 0.0f});
    target.bindCleared();
    sun.render();
    const std::array<float, 4> sunColour = target.pixel(0, 8, 8);
    const std::array<float, 4> sunGlow = target.pixel(1, 8, 8);
    // The disc's centre stays below white on its own: the bloom over it brings it to white.
    EXPECT_GT(BodyGL::luminance(sunColour), 0.5f);
    // The lens flare reads the glow as signed bytes: half of full scale is far above its threshold.
    EXPECT_GT(std::max({sunGlow[0], sunGlow[1], sunGlow[2]}), 0.5f);

    // The Moon at (2, 0, 0), lit from +x, seen from -y: its right half is day, its left half night.
    Resource::Moon moon;
    moon.update(0.0f, 1);
    moon.setLightPosition({52.0f, 0.0f, 0.0f, 1.0f});
    BodyGL::lookAt(moon, {2.0f, -0.6f, 0.0f}, {2.0f, 0.0f, 0.0f});
    target.bindCleared();
    moon.render();
    const std::array<float, 4> day = target.pixel(0, 11, 8);
    const std::array<float, 4> night = target.pixel(0, 4, 8);
    EXPECT_GT(BodyGL::luminance(day), 0.1f);
    EXPECT_LT(BodyGL::luminance(night), 0.02f);
    EXPECT_EQ(1.0f, night[3]) << "the night side is drawn, not left clear";
    for (const int x : {4, 11})
    {
        const std::array<float, 4> glow = target.pixel(1, x, 8);
        EXPECT_EQ(0.0f, glow[0] + glow[1] + glow[2]) << "x " << x;
    }
}

} // namespace

namespace
{

// The Sun's limb law, I(mu) = 1 - u (1 - mu) per channel, with mu the cosine between the surface normal
// and the ray to the eye: ring means of the drawn disc against the centre's. The map is the same fine
// grain everywhere, so its mean cancels out.
TEST_F(ModelGLTest, SunDarkensAndReddensTowardsItsLimbByTheLinearLaw)
{
    constexpr int Size = 96;
    ScopedFramebuffer target(Size, Size, 2);
    const glm::vec3 limbCoefficient(0.52f, 0.66f, 0.86f);

    Resource::Sun sun;
    sun.update(0.0f, 1);
    // 12 units from the centre of a radius-5 Sun: the disc fills most of the 60 degree view.
    const float distance = 12.0f;
    BodyGL::lookAt(sun, {0.0f, -distance, 0.0f}, {0.0f, 0.0f, 0.0f});
    const float clear[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    target.m_Framebuffer.bind(true, clear);
    sun.render();
    const Image pixels = readImage(target.m_Framebuffer);

    // mu at each pixel centre from the ray through it, in view space with the Sun at (0, 0, -distance).
    const struct
    {
        float low;
        float high;
    } bands[] = {{0.9f, 1.01f}, {0.7f, 0.9f}, {0.5f, 0.7f}, {0.3f, 0.5f}, {0.12f, 0.3f}};
    const int bandCount = static_cast<int>(std::size(bands));
    std::vector<glm::dvec3> drawn(bandCount, glm::dvec3(0.0));
    std::vector<glm::dvec3> law(bandCount, glm::dvec3(0.0));
    std::vector<int> count(bandCount, 0);
    const float halfHeight = std::tan(glm::radians(30.0f));
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
        {
            const glm::vec3 ray = glm::normalize(glm::vec3((2.0f * (x + 0.5f) / Size - 1.0f) * halfHeight,
                                                           (2.0f * (y + 0.5f) / Size - 1.0f) * halfHeight, -1.0f));
            const glm::vec3 centre(0.0f, 0.0f, -distance);
            const float along = glm::dot(ray, centre);
            const float miss = glm::dot(centre, centre) - along * along;
            if (miss >= 25.0f)
                continue;
            const glm::vec3 hit = ray * (along - std::sqrt(25.0f - miss));
            const float mu = glm::dot((hit - centre) / 5.0f, -ray);
            for (int b = 0; b < bandCount; ++b)
                if (mu >= bands[b].low && mu < bands[b].high)
                {
                    drawn[b] += glm::dvec3(pixels.value(x, y, 0), pixels.value(x, y, 1), pixels.value(x, y, 2));
                    law[b] += glm::dvec3(1.0f - limbCoefficient * (1.0f - mu));
                    ++count[b];
                }
        }

    for (int b = 0; b < bandCount; ++b)
    {
        SCOPED_TRACE(testing::Message() << "mu " << bands[b].low << " .. " << bands[b].high);
        ASSERT_GE(count[b], 40);
        const glm::dvec3 measured = (drawn[b] / double(count[b])) / (drawn[0] / double(count[0]));
        const glm::dvec3 expected = (law[b] / double(count[b])) / (law[0] / double(count[0]));
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(expected[c], measured[c], 0.04) << "channel " << c;
    }
}

} // namespace
