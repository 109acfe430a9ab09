#include "LenseFlare.h"

#include "Camera.h"
#include "Model.h"
#include "QuadRenderer.h"
#include "Shader.h"
#include "Texture.h"

#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cassert>
#include <cmath>

FlarePlacement placeFlareElement(const FlareElement& element, float sx, float sy, float w, float sunSize,
                                 float aspect)
{
    FlarePlacement placement;
    placement.centerX = sx - element.position * sx;
    placement.centerY = sy - element.position * sy;
    const float s = element.scaleWithDistance ? element.size / w : element.size;
    placement.halfSize = s;
    placement.effectWidth = 2.0f * s / aspect;
    placement.effectHeight = 2.0f * s;
    placement.effectPosX = placement.centerX - s / aspect;
    placement.effectPosY = placement.centerY - s;

    // Ghosts fade in as they leave the Sun's disc: nothing within r1, everything beyond r2.
    const float dx = sx - placement.centerX;
    const float dy = sy - placement.centerY;
    const float d = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
    const float r1 = sunSize / w;
    const float r2 = 2.0f * sunSize / w;
    float fade = (d - r1) / (r2 - r1);
    fade = std::isnan(fade) ? 0.0f : std::clamp(fade, 0.0f, 1.0f);
    const float smooth = (3.0f - 2.0f * fade) * fade * fade;
    placement.strength = element.strengthRamp * smooth + element.baseStrength;
    return placement;
}

std::vector<FlareElement> makeFlareElements(GLuint shine1, GLuint shine2, GLuint hexagon)
{
    return {
        {shine1, {1.0f, 0.0f, 0.0f}, 0.0f, 35.0f, true, 0.2f, 0.0f},
        {shine2, {1.0f, 1.0f, 0.0f}, 0.0f, 35.0f, true, 0.2f, 0.0f},
        {hexagon, {1.0f, 0.0f, 1.0f}, 0.25f, 0.1f, false, 0.0f, 0.15f},
        {hexagon, {1.0f, 0.0f, 1.0f}, 0.5f, 0.2f, false, 0.0f, 0.2f},
        {hexagon, {1.0f, 0.0f, 0.0f}, 0.75f, 0.25f, false, 0.0f, 0.25f},
        {hexagon, {1.0f, 0.0f, 1.0f}, 1.25f, 0.3f, false, 0.0f, 0.3f},
        {hexagon, {1.0f, 0.0f, 1.0f}, 1.75f, 0.35f, false, 0.0f, 0.2f},
    };
}

std::vector<std::string> LenseFlare::images()
{
    return {"models/flare/shine1.bmp", "models/flare/shine2.bmp", "models/flare/hexafull.bmp"};
}

LenseFlare::LenseFlare(int width, int height)
    : m_Width(static_cast<unsigned int>(width))
    , m_Height(static_cast<unsigned int>(height))
{
    Texture::TextureCache& textures = Texture::TextureCache::instance();
    const std::vector<std::string> files = images();
    const GLuint shine1 = textures.load(files[0]);
    const GLuint shine2 = textures.load(files[1]);
    const GLuint hexagon = textures.load(files[2]);
    m_Elements = makeFlareElements(shine1, shine2, hexagon);

    const std::vector<float> square = Renderer::makeQuadVertices();
    assert(square.size() == m_Square.size());
    std::copy(square.begin(), square.end(), m_Square.begin());
    glGenVertexArrays(1, &m_VertexArray);
    glBindVertexArray(m_VertexArray);
    glGenBuffers(1, &m_VertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_VertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(square.size() * sizeof(float)), square.data(),
                 GL_STREAM_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    m_Program = Shader::getProgram(ProgramName, false);
    m_EffectTextureLocation = glGetUniformLocation(m_Program, "effectTexture");
    m_EffectWidthLocation = glGetUniformLocation(m_Program, "effectWidth");
    m_EffectHeightLocation = glGetUniformLocation(m_Program, "effectHeight");
    m_EffectPosXLocation = glGetUniformLocation(m_Program, "effectPosX");
    m_EffectPosYLocation = glGetUniformLocation(m_Program, "effectPosY");
    m_SunColorLocation = glGetUniformLocation(m_Program, "sunColor");
    m_StrengthLocation = glGetUniformLocation(m_Program, "strength");
}

std::optional<SunOnScreen> projectSun(const glm::mat4& viewProjection, const glm::vec4& position)
{
    const glm::vec4 clip = viewProjection * position;
    if (!(clip.w > 0.0f))
        return std::nullopt;
    const glm::vec4 ndc = clip / clip.w;
    if (std::abs(ndc.x) > 1.0f || std::abs(ndc.y) > 1.0f)
        return std::nullopt;
    return SunOnScreen{ndc.x, ndc.y, clip.w};
}

bool glowsAt(const Framebuffer& source, float x, float y)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source.m_Fbo);
    glReadBuffer(GL_COLOR_ATTACHMENT1);
    // A Sun exactly on the right or top edge would read one pixel past the image, which GL leaves undefined.
    const int pixelX = std::min(static_cast<int>((x + 1.0f) * 0.5f * static_cast<float>(source.m_Width)),
                                source.m_Width - 1);
    const int pixelY = std::min(static_cast<int>((y + 1.0f) * 0.5f * static_cast<float>(source.m_Height)),
                                source.m_Height - 1);
    GLbyte glow[3] = {0, 0, 0};
    glReadPixels(pixelX, pixelY, 1, 1, GL_RGB, GL_BYTE, glow);
    return glow[0] != 0 || glow[1] != 0 || glow[2] != 0;
}

void LenseFlare::render(Framebuffer& target, Framebuffer& source, Resource::IModel& sun, const Scene& scene)
{
    const std::optional<SunOnScreen> onScreen =
        projectSun(scene.camera->getProjectionMatrix() * scene.camera->getViewMatrix(), sun.getPosition());
    // The Sun counts as visible only where its centre pixel glows.
    if (!onScreen || !glowsAt(source, onScreen->x, onScreen->y))
        return;

    const float noClear[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    target.bind(false, noClear);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquation(GL_FUNC_ADD);
    glBindVertexArray(m_VertexArray);
    glUseProgram(m_Program);

    const float aspect = static_cast<float>(m_Width) / static_cast<float>(m_Height);
    for (const FlareElement& element : m_Elements)
    {
        const FlarePlacement placement =
            placeFlareElement(element, onScreen->x, onScreen->y, onScreen->w, sun.getSize(), aspect);
        // A ghost still on the Sun's disc has strength 0: it would blend with alpha 0 and leave every
        // pixel as it is, yet cost a draw of up to the whole screen.
        if (placement.strength > 0.0f)
            drawElement(element, placement);
    }

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindVertexArray(0);
    glUseProgram(0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

void LenseFlare::drawElement(const FlareElement& element, const FlarePlacement& placement)
{
    std::array<float, 12> square;
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = m_Square[i] * placement.halfSize + (i % 2 == 0 ? placement.centerX : placement.centerY);
    glBindBuffer(GL_ARRAY_BUFFER, m_VertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(sizeof(square)), square.data());

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, element.texture);
    glUniform1i(m_EffectTextureLocation, 0);
    glUniform1f(m_EffectWidthLocation, placement.effectWidth);
    glUniform1f(m_EffectHeightLocation, placement.effectHeight);
    glUniform1f(m_EffectPosXLocation, placement.effectPosX);
    glUniform1f(m_EffectPosYLocation, placement.effectPosY);
    glUniform3fv(m_SunColorLocation, 1, glm::value_ptr(element.color));
    glUniform1f(m_StrengthLocation, placement.strength);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}
