// The Earth with a real driver: its draw state, its four samplers, its tessellation and what its
// program writes for the scene and for the atmosphere.
#include "BodyGLSupport.h"
#include "Earth.h"

#include <array>
#include <cmath>
#include <string>

namespace
{

using BodyGL::Target;

class EarthGLTest : public GLTest
{
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        // Without a parent the Earth circles the origin, where the Sun is: it stands at (50, 0, 0).
        m_Earth.update(0.0f, 1);
        m_Earth.setLightPosition({0.0f, 0.0f, 0.0f, 1.0f});
    }

    Resource::Earth m_Earth;
    Target m_Target{3, {2}};
};

TEST_F(EarthGLTest, DrawLeavesTrianglePatchesAndTheFourMapsOnUnitsZeroToThree)
{
    m_Target.bindCleared();
    BodyGL::lookAt(m_Earth, {50.0f, -5.0f, 0.0f}, {50.0f, 0.0f, 0.0f});
    m_Earth.render();

    GLint patchVertices = 0;
    glGetIntegerv(GL_PATCH_VERTICES, &patchVertices);
    EXPECT_EQ(3, patchVertices);

    const char* const samplers[] = {"textureColor", "textureClouds", "textureNight", "textureBump"};
    const std::vector<Resource::TextureSlot>& slots = m_Earth.getTextureSlots();
    ASSERT_EQ(4u, slots.size());
    for (int unit = 0; unit < 4; ++unit)
    {
        SCOPED_TRACE(samplers[unit]);
        const GLint location = glGetUniformLocation(m_Earth.getProgram(), samplers[unit]);
        ASSERT_NE(-1, location) << "the program does not use this map";
        GLint sampler = -1;
        glGetUniformiv(m_Earth.getProgram(), location, &sampler);
        EXPECT_EQ(unit, sampler);

        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_NE(0, bound);
        EXPECT_EQ(slots[static_cast<std::size_t>(unit)].texture, static_cast<GLuint>(bound));
    }
    glActiveTexture(GL_TEXTURE0);
    // Four different images, so four different textures.
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_NE(slots[static_cast<std::size_t>(a)].texture, slots[static_cast<std::size_t>(b)].texture);
    EXPECT_EQ(1.0f, m_Earth.getSize());
}

TEST_F(EarthGLTest, TessellationMakesMoreTrianglesThanTheMeshHas)
{
    struct Case
    {
        const char* name;
        glm::vec3 eye;
        glm::vec3 target;
    };
    const Case cases[] = {
        {"from outside, far side dropped", {50.0f, -5.0f, 0.0f}, {50.0f, 0.0f, 0.0f}},
        {"from the centre, every side seen", {50.0f, 0.0f, 0.0f}, {50.0f, 1.0f, 0.0f}},
    };
    GLuint query = 0;
    glGenQueries(1, &query);
    m_Target.bindCleared();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        BodyGL::lookAt(m_Earth, c.eye, c.target);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        m_Earth.render();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint primitives = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
        EXPECT_GT(primitives, static_cast<GLuint>(m_Earth.getIndexCount() / 3));
    }
    glDeleteQueries(1, &query);
}

TEST_F(EarthGLTest, DaySideIsLitNightSideDarkAndTheAtmosphereGetsTheDistance)
{
    // From 2 units on -y the globe fills the target, centred on longitude -90. Lit from +x, the
    // right of the picture is day over South America, the left night over the open Pacific.
    m_Earth.setLightPosition({150.0f, 0.0f, 0.0f, 1.0f});
    BodyGL::lookAt(m_Earth, {50.0f, -2.0f, 0.0f}, {50.0f, 0.0f, 0.0f});
    m_Target.bindCleared();
    m_Earth.render();

    struct Case
    {
        const char* name;
        int x;
        bool day;
    };
    const Case cases[] = {{"day", 12, true}, {"night", 4, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::array<float, 4> colour = m_Target.pixel(0, c.x, 8);
        const std::array<float, 4> glow = m_Target.pixel(1, c.x, 8);
        const std::array<float, 4> data = m_Target.pixel(2, c.x, 8);
        EXPECT_EQ(1.0f, colour[3]);
        EXPECT_EQ(0.0f, glow[0] + glow[1] + glow[2]) << "only the Sun glows";
        EXPECT_EQ(1.0f, data[3]) << "the Earth marks where it is";
        if (c.day)
        {
            EXPECT_GT(data[0], 0.2f) << "the Sun stands high";
            EXPECT_GT(BodyGL::luminance(colour), 0.08f);
        }
        else
        {
            EXPECT_LT(data[0], -0.2f) << "the Sun is below the horizon";
            EXPECT_LT(BodyGL::luminance(colour), 0.02f);
        }
        // Off the centre line the surface lies between 1 and the tangent's length, sqrt(3), away.
        EXPECT_GT(data[2], 1.0f);
        EXPECT_LT(data[2], 1.74f);
    }
    // Straight ahead the surface is nearest: 1, less the little the flat triangles cut off the sphere.
    EXPECT_NEAR(1.0f, m_Target.pixel(2, 8, 8)[2], 0.01f);

    // Where there is no Earth the data keeps its clear value: no surface, at infinity.
    const std::array<float, 4> corner = m_Target.pixel(2, 0, 0);
    EXPECT_TRUE(std::isinf(corner[2]));
    EXPECT_EQ(0.0f, corner[3]);
}

TEST_F(EarthGLTest, SeenFromInsideTheInnerFacesAreDrawn)
{
    // Every face seen from the centre is a back face; a culled draw would leave the target clear.
    BodyGL::lookAt(m_Earth, {50.0f, 0.0f, 0.0f}, {50.0f, 1.0f, 0.0f});
    m_Target.bindCleared();
    m_Earth.render();
    for (const std::array<int, 2>& xy : {std::array<int, 2>{8, 8}, {0, 0}, {15, 15}})
        EXPECT_NEAR(1.0f, m_Target.pixel(2, xy[0], xy[1])[2], 0.02f) << xy[0] << ", " << xy[1];
}

} // namespace
