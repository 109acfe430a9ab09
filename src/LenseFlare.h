#pragma once

#include "Framebuffer.h"
#include "Scene.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace Resource
{
class IModel;
}

struct FlareElement
{
    GLuint texture = 0;
    glm::vec3 color{0.0f};
    float position = 0.0f;
    float size = 0.0f;
    bool scaleWithDistance = false;
    float baseStrength = 0.0f;
    float strengthRamp = 0.0f;
};

// Where and how strongly one element is drawn, in normalised device coordinates.
struct FlarePlacement
{
    float centerX = 0.0f;
    float centerY = 0.0f;
    float halfSize = 0.0f;
    float effectWidth = 0.0f;
    float effectHeight = 0.0f;
    float effectPosX = 0.0f;
    float effectPosY = 0.0f;
    float strength = 0.0f;
};

// The element's square on the flare axis for a Sun at (sx, sy) with clip-space w, and its faded strength.
FlarePlacement placeFlareElement(const FlareElement& element, float sx, float sy, float w, float sunSize,
                                 float aspect);

// The seven elements in drawing order: two shines on the Sun, then five ghosts along the flare axis.
std::vector<FlareElement> makeFlareElements(GLuint shine1, GLuint shine2, GLuint hexagon);

// Where the Sun's centre falls in normalised device coordinates, and its clip-space w.
struct SunOnScreen
{
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
};

// The Sun at `position` seen through `viewProjection`; none where it lies off the screen (an edge itself
// counts as on it) or behind the eye, which would project it through the origin onto the screen.
std::optional<SunOnScreen> projectSun(const glm::mat4& viewProjection, const glm::vec4& position);

// Whether the glow attachment of `source` (attachment 1) is lit at the pixel under (x, y) in normalised
// device coordinates: read back as signed bytes, any channel above 0. Leaves `source` bound for reading.
bool glowsAt(const Framebuffer& source, float x, float y);

// Glare of the Sun: two shines on it and five ghosts along the axis through the screen centre.
class LenseFlare
{
public:
    LenseFlare(int width, int height);
    // The images of the elements: the two shines and the ghosts' hexagon; and the program.
    static std::vector<std::string> images();
    static constexpr const char* ProgramName = "LenseFlare";
    void render(Framebuffer& target, Framebuffer& source, Resource::IModel& sun, const Scene& scene);

    std::vector<FlareElement> m_Elements;
    GLuint m_VertexArray = 0;
    GLuint m_VertexBuffer = 0;
    GLuint m_Program = 0;
    GLint m_EffectTextureLocation = 0;
    GLint m_EffectWidthLocation = 0;
    GLint m_EffectHeightLocation = 0;
    GLint m_EffectPosXLocation = 0;
    GLint m_EffectPosYLocation = 0;
    GLint m_SunColorLocation = 0;
    GLint m_StrengthLocation = 0;
    unsigned int m_Width;
    unsigned int m_Height;
    // The unit square of every element, kept so that a frame scales a copy on the stack instead of allocating.
    std::array<float, 12> m_Square{};

private:
    // One element's square at its place, with its image, colour and strength, in the state `render` set.
    void drawElement(const FlareElement& element, const FlarePlacement& placement);
};
