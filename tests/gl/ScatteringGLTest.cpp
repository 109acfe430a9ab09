// The scattering text that the "Atmosphere" and "Earth" programs include, run on the GPU through the
// program's own loader and compared with the same text compiled as C++: what the CPU tests prove of it
// holds for what the shaders compute.
#include "Atmosphere.h"
#include "GLContext.h"
#include "GLKit.h"
#include "Scattering.h"
#include "Shader.h"

#include <glm/gtc/type_ptr.hpp>

namespace
{

const glm::vec4 AirColor = Resource::AtmosphereColor;

// One value per draw into a 1 x 1 float target, chosen by "function".
const char* const ProbeFragment = R"(#version 400 core
uniform int function;
uniform vec3 eye;
uniform vec3 direction;
uniform vec3 toSun;
uniform vec4 airColor;
uniform float radius;
uniform float cosZenith;
layout(location = 0) out vec4 value;
#include "Scattering.glsl"
void main()
{
    vec3 offAxis = cross(eye, direction);
    float eyeColumn = columnOutward(dot(eye, direction), dot(offAxis, offAxis));
    vec3 source = scatteringSource(eye, direction, toSun, airColor);
    float none = 2.0 * Unbounded;
    if (function == 0)
        value = vec4(surfaceLight(radius, cosZenith, zenithDepth(airColor)), 1.0);
    else if (function == 1)
        value = vec4(source, 1.0);
    else
        value = blendedAir(airAlongRay(eye, direction, none, none, none, AtmosphereScale, source,
                                       extinction(airColor), eyeColumn));
}
)";

enum Function
{
    SurfaceLight,
    Source,
    AirOverScene,
};

struct Probe
{
    const char* name;
    Function function;
    float radius;
    float cosZenith;
    glm::vec3 eye;
    // The ray's closest approach to the centre, towards +x in the x-y plane, from the eye on -y.
    float closest;
    glm::vec3 toSun;
};

glm::vec3 directionOf(const Probe& probe)
{
    const float sine = probe.closest / glm::length(probe.eye);
    return {sine, std::sqrt(1.0f - sine * sine), 0.0f};
}

glm::vec4 onTheCpu(const Probe& probe)
{
    const glm::vec3 direction = directionOf(probe);
    const glm::vec3 offAxis = glm::cross(probe.eye, direction);
    const float eyeColumn = Scattering::columnOutward(glm::dot(probe.eye, direction), glm::dot(offAxis, offAxis));
    const glm::vec3 source = Scattering::scatteringSource(probe.eye, direction, probe.toSun, AirColor);
    const float none = 2.0f * Scattering::Unbounded;
    switch (probe.function)
    {
    case SurfaceLight:
        return glm::vec4(
            Scattering::surfaceLight(probe.radius, probe.cosZenith, Scattering::zenithDepth(AirColor)), 1.0f);
    case Source: return glm::vec4(source, 1.0f);
    case AirOverScene:
        return Scattering::blendedAir(Scattering::airAlongRay(probe.eye, direction, none, none, none,
                                                              Resource::AtmosphereScale, source,
                                                              Scattering::extinction(AirColor), eyeColumn));
    }
    return glm::vec4(-1.0f);
}

class ScatteringGLTest : public GLTest
{
};

TEST_F(ScatteringGLTest, TheShadersComputeWhatTheTestsCheck)
{
    const glm::vec3 far(0.0f, -5.0f, 0.0f);
    const glm::vec3 behindTheEye(0.0f, -1.0f, 0.0f);
    const glm::vec3 sideways(-1.0f, 0.0f, 0.0f);
    const Probe probes[] = {
        {"ground light, Sun overhead", SurfaceLight, 1.0f, 1.0f, far, 0.0f, behindTheEye},
        {"ground light, Sun low", SurfaceLight, 1.0f, 0.05f, far, 0.0f, behindTheEye},
        {"ground light, Sun set", SurfaceLight, 1.0f, -0.05f, far, 0.0f, behindTheEye},
        {"cloud-top light, Sun grazing", SurfaceLight, 1.002f, 0.0f, far, 0.0f, behindTheEye},
        {"source, down the zenith", Source, 0.0f, 0.0f, far, 0.0f, behindTheEye},
        {"source, day limb", Source, 0.0f, 0.0f, far, 1.003f, behindTheEye},
        {"source, terminator limb", Source, 0.0f, 0.0f, far, 1.003f, sideways},
        {"air, down the zenith", AirOverScene, 0.0f, 0.0f, far, 0.0f, behindTheEye},
        {"air, near the limb", AirOverScene, 0.0f, 0.0f, far, 0.95f, behindTheEye},
        {"air, day limb", AirOverScene, 0.0f, 0.0f, far, 1.003f, behindTheEye},
        {"air, from just over the ground", AirOverScene, 0.0f, 0.0f, glm::vec3(0.0f, -1.01f, 0.0f), 1.0f,
         sideways},
    };

    const FullScreenProbe program(ProbeFragment, {Shader::constant("AtmosphereScale", Resource::AtmosphereScale)});
    ScopedFramebuffer target(1, 1, 1, {0});

    for (const Probe& probe : probes)
    {
        SCOPED_TRACE(probe.name);
        const float clear[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
        target.m_Framebuffer.bind(true, clear);
        glDisable(GL_DEPTH_TEST);
        program.draw([&] {
            glUniform1i(program.uniform("function"), probe.function);
            glUniform3fv(program.uniform("eye"), 1, glm::value_ptr(probe.eye));
            glUniform3fv(program.uniform("direction"), 1, glm::value_ptr(directionOf(probe)));
            glUniform3fv(program.uniform("toSun"), 1, glm::value_ptr(probe.toSun));
            glUniform4fv(program.uniform("airColor"), 1, glm::value_ptr(AirColor));
            glUniform1f(program.uniform("radius"), probe.radius);
            glUniform1f(program.uniform("cosZenith"), probe.cosZenith);
        });

        const glm::vec4 cpu = onTheCpu(probe);
        // The same text in single precision on both sides: only the GPU's exp, sqrt and rounding of
        // sums may part them, by parts per million and the odd ulp of a near-cancellation.
        EXPECT_TRUE(sameTexel({cpu.r, cpu.g, cpu.b, cpu.a}, target.pixel(0, 0, 0), {1e-4f, 1e-4f}));
    }
}

} // namespace
