#include "Renderer.h"

#include "Atmosphere.h"
#include "Camera.h"
#include "Earth.h"
#include "Moon.h"
#include "Projection.h"
#include "SkyBox.h"
#include "Sun.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Renderer
{

namespace
{
constexpr float Infinity = std::numeric_limits<float>::infinity();
// Float attachments keep +infinity, "no surface here"; 8-bit ones clamp it to 1.
constexpr float SceneClearColor[4] = {0.0f, 0.0f, Infinity, 0.0f};
constexpr float WindowClearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
// The atmosphere's off-screen stages, 0 to 3, each into the attachment of its number.
constexpr int OffscreenStages = 4;

// The directions from the eye to a disc (centre `across` sideways and `depth` ahead of the eye, radius
// `radius`) that lie ahead of the eye, as tangents across / depth from `lowest` to `highest`: an end is
// infinite where the disc reaches behind the eye on that side, and `lowest` > `highest` when none of it is
// ahead. With the eye inside the disc every direction meets it: the whole line.
void tangentRange(float across, float depth, float radius, float& lowest, float& highest)
{
    const float tangentSquared = across * across + depth * depth - radius * radius;
    if (!(tangentSquared > 0.0f))
    {
        lowest = -Infinity;
        highest = Infinity;
        return;
    }
    const float t = std::sqrt(tangentSquared);
    // The two edges: the centre's direction turned by the angle whose sine is radius / distance, either
    // way, as (across, depth). The disc's directions lie between them, less than half a turn wide.
    const glm::vec2 a(across * t - depth * radius, depth * t + across * radius);
    const glm::vec2 b(across * t + depth * radius, depth * t - across * radius);
    if (a.y > 0.0f && b.y > 0.0f)
    {
        lowest = std::min(a.x / a.y, b.x / b.y);
        highest = std::max(a.x / a.y, b.x / b.y);
    }
    else if (a.y > 0.0f || b.y > 0.0f)
    {
        const glm::vec2& ahead = a.y > 0.0f ? a : b;
        const glm::vec2& behind = a.y > 0.0f ? b : a;
        // Between the edges the directions pass the eye's plane once, on the side where this is positive.
        const bool passesRight = ahead.y * behind.x - behind.y * ahead.x > 0.0f;
        lowest = passesRight ? ahead.x / ahead.y : -Infinity;
        highest = passesRight ? Infinity : ahead.x / ahead.y;
    }
    else
    {
        lowest = Infinity;
        highest = -Infinity;
    }
}
} // namespace

ScreenRegion sphereScreenRegion(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& centre,
                                float radius)
{
    const bool centredPerspective = Projection::isCentredPerspective(projection);
    const glm::vec3 eye = glm::vec3(view * glm::vec4(centre, 1.0f));
    // Wholly behind the eye, none of it survives clipping.
    if (centredPerspective && -eye.z + radius <= 0.0f)
        return ScreenRegion{0.0f, 0.0f, 0.0f, 0.0f};
    if (!centredPerspective || !(radius >= 0.0f))
        return ScreenRegion{};
    // Each screen axis on its own: the sphere's directions along x are those of its shadow on the
    // eye's xz plane, a disc of the same radius; likewise for y. An axis whose disc holds the eye is whole.
    float minX = 0.0f;
    float maxX = 0.0f;
    float minY = 0.0f;
    float maxY = 0.0f;
    tangentRange(eye.x, -eye.z, radius, minX, maxX);
    tangentRange(eye.y, -eye.z, radius, minY, maxY);
    if (minX > maxX || minY > maxY)
        return ScreenRegion{0.0f, 0.0f, 0.0f, 0.0f};
    const auto toImage = [](float ndc) { return std::clamp(ndc * 0.5f + 0.5f, 0.0f, 1.0f); };
    const float x0 = projection[0][0] * minX;
    const float x1 = projection[0][0] * maxX;
    const float y0 = projection[1][1] * minY;
    const float y1 = projection[1][1] * maxY;
    return {toImage(std::min(x0, x1)), toImage(std::min(y0, y1)), toImage(std::max(x0, x1)), toImage(std::max(y0, y1))};
}

bool sphereHidesSphere(const glm::mat4& view, const glm::mat4& projection, const glm::vec3& frontCentre,
                       float frontRadius, const glm::vec3& backCentre, float backRadius, float margin)
{
    if (!Projection::isCentredPerspective(projection))
        return false;
    const float near = Projection::nearPlane(projection);
    const float far = Projection::farPlane(projection);
    const glm::vec3 front = glm::vec3(view * glm::vec4(frontCentre, 1.0f));
    const glm::vec3 back = glm::vec3(view * glm::vec4(backCentre, 1.0f));
    const float frontDistance = glm::length(front);
    const float backDistance = glm::length(back);
    // Clipped by neither plane, the front sphere's faces cover its whole outline.
    if (!(-front.z - frontRadius > near && -front.z + frontRadius < far))
        return false;
    // Every point of the back sphere farther than every point of the front one: its depths are larger.
    if (!(backDistance - backRadius > frontDistance + frontRadius))
        return false;
    // Seen from the eye, the back sphere's cone within the front one's, with `margin` to spare.
    const float apart = std::atan2(glm::length(glm::cross(front, back)), glm::dot(front, back));
    return apart + std::asin(backRadius / backDistance) + margin <= std::asin(frontRadius / frontDistance);
}

Renderer::Renderer(int width, int height)
    : m_Width(width)
    , m_Height(height)
    , m_QuadRenderer("Quad", width, height)
    , m_LenseFlare(width, height)
    , m_Bloom(width, height)
{
    m_SceneFramebuffer.m_Width = width;
    m_SceneFramebuffer.m_Height = height;
    m_SceneFramebuffer.m_NumTextures = 3;
    m_SceneFramebuffer.m_FloatTextures = {2};
    m_SceneFramebuffer.create();

    m_ScreenFramebuffer.initScreen(width, height);
    // The copy overwrites every pixel of the render size, and its depth test passes against a
    // cleared depth buffer or none.
    int windowWidth = 0;
    int windowHeight = 0;
    if (GLFWwindow* window = glfwGetCurrentContext())
        glfwGetFramebufferSize(window, &windowWidth, &windowHeight);
    GLint depthType = GL_NONE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
    m_WindowClear = (windowWidth == width && windowHeight == height ? 0 : GL_COLOR_BUFFER_BIT) |
                    (depthType == GL_NONE ? 0 : GL_DEPTH_BUFFER_BIT);

    m_AtmosphereFramebuffer.m_Width = width;
    m_AtmosphereFramebuffer.m_Height = height;
    m_AtmosphereFramebuffer.m_NumTextures = 5;
    m_AtmosphereFramebuffer.m_FloatTextures = {0, 1, 2, 3, 4};
    m_AtmosphereFramebuffer.create();
}

void Renderer::render(Scene& scene)
{
    findWhatIsSeen(scene);
    renderAtmosphereStages(scene);
    renderScenePass(scene);
    copyEarthData();
    renderAtmosphereOverScene(scene);
    present();
}

void Renderer::findWhatIsSeen(Scene& scene)
{
    const glm::mat4 view = scene.camera->getViewMatrix();
    const glm::mat4 projection = scene.camera->getProjectionMatrix();
    // The meshes lie within the spheres of their sizes, up to the rounding of their files.
    const auto region = [&](Resource::IModel& body, float radius) {
        return sphereScreenRegion(view, projection, glm::vec3(body.getPosition()), radius * 1.001f);
    };
    // Two pixels to spare round the Sun's mesh, for the rasterizer's rounding.
    const float pixel = std::max(2.0f / (projection[0][0] * static_cast<float>(m_Width)),
                                 2.0f / (projection[1][1] * static_cast<float>(m_Height)));
    // The Sun is drawn before the Moon and the Earth and writes depth: behind it they fail the depth test.
    const auto behindTheSun = [&](Resource::IModel& body, float radius) {
        return sphereHidesSphere(view, projection, glm::vec3(scene.sun->getPosition()), scene.sun->getInnerRadius(),
                                 glm::vec3(body.getPosition()), radius * 1.001f, 2.0f * pixel);
    };

    // The Sun's glow can be nowhere else than the Sun.
    m_Bloom.m_GlowRegion = region(*scene.sun, scene.sun->getSize());
    m_DrawSun = !isEmpty(m_Bloom.m_GlowRegion);
    const auto seen = [&](Resource::IModel& body) {
        return !isEmpty(region(body, body.getSize())) && !behindTheSun(body, body.getSize());
    };
    m_DrawMoon = seen(*scene.moon);
    m_DrawEarth = seen(*scene.earth);
    // The last stage draws the shell round the Earth and reads the images only where it lands: within
    // the outline of the shell's sphere on the screen. It passes the depth test behind the Sun only
    // where the eye is so close to the shell that the shell is drawn in front of everything.
    const float shell = scene.atmosphere->getRadius();
    const glm::vec3 earth = glm::vec3(view * scene.earth->getPosition());
    const float eyeToShell = glm::length(earth) - shell;
    const float near = Projection::nearPlane(projection);
    const float far = Projection::farPlane(projection);
    const bool airHidden = eyeToShell > 3.0f * near && behindTheSun(*scene.earth, shell);
    m_AtmosphereRegion = airHidden ? ScreenRegion{0.0f, 0.0f, 0.0f, 0.0f} : region(*scene.earth, shell);
    // From that far out the last stage draws the shell's near side, the very pixels of the first
    // stage, and the far side of the closed, convex shell covers the same outline, as long as neither
    // plane clips the shell.
    const float shellDepth = -earth.z;
    m_ShellCoversItsImages = eyeToShell > 3.0f * near && shellDepth - shell > near && shellDepth + shell < far;
}

void Renderer::renderAtmosphereStages(Scene& scene)
{
    Camera::Camera& camera = *scene.camera;
    Resource::Atmosphere& atmosphere = *scene.atmosphere;
    if (isEmpty(m_AtmosphereRegion))
    {
        // The state the last stage leaves, which the sky's draw inherits.
        Resource::Atmosphere::setOffscreenStageState(OffscreenStages - 1);
        return;
    }

    // The atmosphere's shell and shadow faces, one float image each, cleared and drawn only where the
    // last stage will read them.
    const ScissorScope scissor(m_AtmosphereRegion, m_Width, m_Height);
    if (m_ShellCoversItsImages)
    {
        // The shell's two images are drawn wherever they are read, and the copy overwrites the
        // Earth's data: only the shadow's images and the depth the copy tests against are cleared.
        m_AtmosphereFramebuffer.bind(false, SceneClearColor);
        glClearBufferfv(GL_COLOR, 2, SceneClearColor);
        glClearBufferfv(GL_COLOR, 3, SceneClearColor);
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    else
    {
        m_AtmosphereFramebuffer.bind(true, SceneClearColor);
    }
    atmosphere.setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    atmosphere.setLightPosition(scene.sun->getPosition());
    for (int stage = 0; stage < OffscreenStages; ++stage)
    {
        m_AtmosphereFramebuffer.bindTextures({stage});
        atmosphere.m_Stage = stage;
        atmosphere.render();
    }
}

void Renderer::renderScenePass(Scene& scene)
{
    Camera::Camera& camera = *scene.camera;

    m_SceneFramebuffer.bind(false, SceneClearColor);
    clearSceneTarget(camera.getProjectionMatrix());
    // Sky, Sun and Moon write colour and glow only; the Earth-data attachment is the Earth's.
    m_SceneFramebuffer.bindTextures({0, 1});
    scene.skyBox->setViewProjection(camera.getViewMatrix(), camera.getProjectionMatrix());
    scene.skyBox->draw();
    // A body that can change no pixel would cost its vertices and fragments for nothing.
    scene.sun->setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    if (m_DrawSun)
        scene.sun->render();
    scene.moon->setLightPosition(scene.sun->getPosition());
    scene.moon->setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    if (m_DrawMoon)
        scene.moon->render();

    m_SceneFramebuffer.bindTextures({0, 1, 2});
    scene.earth->setLightPosition(scene.sun->getPosition());
    scene.earth->setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    if (m_DrawEarth)
    {
        scene.earth->render();
    }
    else
    {
        // The state the Earth's draw leaves, which the copy and the air expect.
        Resource::Earth::setDrawState();
    }

    if (m_DrawSun)
        countGlow(scene);
}

void Renderer::clearSceneTarget(const glm::mat4& projection)
{
    // Every body is drawn against the depth, and the glow count and the air are too.
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    // The sky box is drawn first, without blending: where it covers the image it overwrites the
    // colour and glow, and clearing them only costs their memory.
    if (!Resource::skyBoxCoversTheView(projection))
    {
        glClearBufferfv(GL_COLOR, 0, SceneClearColor);
        glClearBufferfv(GL_COLOR, 1, SceneClearColor);
    }
    // Only the copy for the atmosphere reads the Earth's data, and only within the shell's region.
    if (!isEmpty(m_AtmosphereRegion))
    {
        const ScissorScope scissor(m_AtmosphereRegion, m_Width, m_Height);
        glClearBufferfv(GL_COLOR, 2, SceneClearColor);
    }
}

void Renderer::countGlow(Scene& scene)
{
    // Only the Sun writes glow, and the Moon and the Earth write black glow where they hide it. The
    // Sun once more, writing nothing, passes the depth test where its own depth is still in front:
    // the same program and vertices give the same depths. If none of it is left, the bloom is skipped.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    m_Bloom.beginGlowCount();
    scene.sun->render();
    m_Bloom.endGlowCount();
    glDepthFunc(GL_LESS);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void Renderer::copyEarthData()
{
    if (isEmpty(m_AtmosphereRegion))
    {
        glDisable(GL_CULL_FACE); // as the copy's draw leaves it
        return;
    }
    // The atmosphere reads the Earth's data from its own target, not from the one it draws into.
    const ScissorScope scissor(m_AtmosphereRegion, m_Width, m_Height);
    m_AtmosphereFramebuffer.bindTextures({4});
    m_QuadRenderer.draw(m_SceneFramebuffer.m_Textures[2], 0);
}

void Renderer::renderAtmosphereOverScene(Scene& scene)
{
    Camera::Camera& camera = *scene.camera;
    Resource::Atmosphere& atmosphere = *scene.atmosphere;
    if (isEmpty(m_AtmosphereRegion))
    {
        // The state the air's draw leaves, which the effects expect.
        Resource::Atmosphere::leaveOverSceneState();
        return;
    }

    // The air's glow and Earth-data outputs are zero with alpha 0, which the blending leaves as they
    // were: only the colour need be drawn.
    m_SceneFramebuffer.bindTextures({0});
    atmosphere.setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    atmosphere.setLightPosition(scene.sun->getPosition());
    atmosphere.m_Stage = 5;
    atmosphere.setFramebuffer(m_AtmosphereFramebuffer);
    atmosphere.render();
}

void Renderer::present()
{
    m_ScreenFramebuffer.bind(false, WindowClearColor);
    if (m_WindowClear != 0)
    {
        // A clear only reaches the depth buffer while depth writes are on.
        glDepthMask(GL_TRUE);
        glClearColor(WindowClearColor[0], WindowClearColor[1], WindowClearColor[2], WindowClearColor[3]);
        glClear(m_WindowClear);
    }
    m_QuadRenderer.draw(m_SceneFramebuffer.m_Textures[0], 0);
}

} // namespace Renderer
