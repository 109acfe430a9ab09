#include "Renderer.h"

#include "Atmosphere.h"
#include "Camera.h"
#include "Earth.h"
#include "Moon.h"
#include "SkyBox.h"
#include "Sun.h"
#include "Visibility.h"

#include <GLFW/glfw3.h>

#include <limits>

namespace Renderer
{

namespace
{
constexpr float Infinity = std::numeric_limits<float>::infinity();
// Float attachments keep +infinity, "no surface here"; 8-bit ones clamp it to 1.
constexpr float SceneClearColor[4] = {0.0f, 0.0f, Infinity, 0.0f};
constexpr float WindowClearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
// The scene target's attachments.
constexpr int ColourAttachment = 0;
constexpr int GlowAttachment = 1;
constexpr int EarthDataAttachment = 2;

// The Moon, which can hide the Sun from the Earth and its air.
Resource::Occluder moonAsOccluder(Scene& scene, const WhatIsSeen& seen)
{
    return {scene.moon->getPosition(), scene.moon->getSize(), scene.sun->getSize(), seen.earthInMoonShadow};
}

// Tells the observer, if any, that a pass runs while this lives.
class PassScope
{
public:
    PassScope(PassObserver* observer, Pass pass)
        : m_pObserver(observer)
        , m_Pass(pass)
    {
        if (m_pObserver)
            m_pObserver->beginPass(m_Pass);
    }
    ~PassScope()
    {
        if (m_pObserver)
            m_pObserver->endPass(m_Pass);
    }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    PassObserver* m_pObserver;
    Pass m_Pass;
};
} // namespace

const char* passName(Pass pass)
{
    switch (pass)
    {
    case Pass::AtmosphereStages: return "atmosphere-stages";
    case Pass::Scene: return "scene-pass";
    case Pass::EarthDataCopy: return "earth-data-copy";
    case Pass::AtmosphereOverScene: return "atmosphere-over-scene";
    case Pass::Presentation: return "presentation";
    case Pass::Bloom: return "bloom";
    case Pass::LenseFlare: return "lens-flare";
    }
    return "";
}

Renderer::Renderer(int width, int height, const RenderOptions& options)
    : m_Width(width)
    , m_Height(height)
    , m_QuadRenderer(QuadProgramName, width, height)
    , m_LenseFlare(width, height)
    , m_Bloom(width, height)
    , m_Options(options)
{
    m_SceneFramebuffer.m_Width = width;
    m_SceneFramebuffer.m_Height = height;
    m_SceneFramebuffer.m_NumTextures = 3;
    m_SceneFramebuffer.m_FloatTextures = {EarthDataAttachment};
    m_SceneFramebuffer.create();

    m_ScreenFramebuffer.initScreen(width, height);
    // The copy overwrites every pixel of the render size, and its depth test passes against a cleared
    // depth buffer or none.
    int windowWidth = 0;
    int windowHeight = 0;
    if (GLFWwindow* window = glfwGetCurrentContext())
        glfwGetFramebufferSize(window, &windowWidth, &windowHeight);
    GLint depthType = GL_NONE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &depthType);
    m_WindowNeedsColourClear = !m_Options.skipUnseen || windowWidth != width || windowHeight != height;
    m_WindowHasDepth = !m_Options.skipUnseen || depthType != GL_NONE;

    m_AtmosphereFramebuffer.m_Width = width;
    m_AtmosphereFramebuffer.m_Height = height;
    m_AtmosphereFramebuffer.m_NumTextures = 5;
    m_AtmosphereFramebuffer.m_FloatTextures = {0, 1, 2, 3, 4};
    m_AtmosphereFramebuffer.create();
}

WhatIsSeen Renderer::whatIsSeen(const Scene& scene) const
{
    // What can change no pixel is neither drawn nor cleared.
    return m_Options.skipUnseen ? findWhatIsSeen(sightOf(scene, m_Width, m_Height)) : WhatIsSeen{};
}

void Renderer::render(Scene& scene)
{
    render(scene, whatIsSeen(scene));
}

void Renderer::drawFrame(Scene& scene)
{
    const WhatIsSeen seen = whatIsSeen(scene);
    render(scene, seen);
    {
        const PassScope pass(m_Options.observer, Pass::Bloom);
        m_Bloom.render(m_ScreenFramebuffer, m_SceneFramebuffer, seen.glowRegion);
    }
    {
        const PassScope pass(m_Options.observer, Pass::LenseFlare);
        m_LenseFlare.render(m_ScreenFramebuffer, m_SceneFramebuffer, *scene.sun, scene);
    }
}

void Renderer::render(Scene& scene, const WhatIsSeen& seen)
{
    PassObserver* observer = m_Options.observer;
    // Each pass that is skipped leaves the state its last draw would have left, for the draws after it.
    {
        const PassScope pass(observer, Pass::AtmosphereStages);
        // With none of the shell on the screen, the last stage reads the images nowhere.
        if (!isEmpty(seen.airRegion))
            renderAtmosphereStages(scene, seen);
        else
            Resource::Atmosphere::setStateAfterDraw(Resource::ShadowBackStage);
    }
    {
        const PassScope pass(observer, Pass::Scene);
        renderScenePass(scene, seen);
    }
    {
        const PassScope pass(observer, Pass::EarthDataCopy);
        // The copy is read only by the last stage, within the shell's outline.
        if (!isEmpty(seen.airRegion))
            copyEarthData(seen);
        else
            QuadRenderer::setStateAfterDraw();
    }
    {
        const PassScope pass(observer, Pass::AtmosphereOverScene);
        if (!isEmpty(seen.airRegion))
            renderAtmosphereOverScene(scene, seen);
        else
            Resource::Atmosphere::setStateAfterDraw(Resource::OverSceneStage);
    }
    {
        const PassScope pass(observer, Pass::Presentation);
        present();
    }
}

void Renderer::renderAtmosphereStages(Scene& scene, const WhatIsSeen& seen)
{
    Camera::Camera& camera = *scene.camera;
    Resource::Atmosphere& atmosphere = *scene.atmosphere;

    // The atmosphere's shell and shadow faces, one float image each, cleared and drawn only where the
    // last stage will read them.
    const ScissorScope scissor(seen.airRegion, m_Width, m_Height);
    if (seen.shellCoversItsImages)
    {
        // The shell's two images are drawn wherever they are read, and the copy overwrites the
        // Earth's data: only the shadow's images and the depth the copy tests against are cleared.
        m_AtmosphereFramebuffer.bind(false, SceneClearColor);
        m_AtmosphereFramebuffer.clearAttachment(Resource::ShadowFrontStage, SceneClearColor);
        m_AtmosphereFramebuffer.clearAttachment(Resource::ShadowBackStage, SceneClearColor);
        m_AtmosphereFramebuffer.clearDepth();
    }
    else
    {
        m_AtmosphereFramebuffer.bind(true, SceneClearColor);
    }
    atmosphere.setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    atmosphere.setLightPosition(scene.sun->getPosition());
    for (int stage = Resource::ShellFrontStage; stage < Resource::OffscreenStageCount; ++stage)
    {
        m_AtmosphereFramebuffer.bindTextures({stage});
        // Behind the ground the shadow body cuts no air the last stage draws: its images stay as cleared.
        const bool shadowStage = stage == Resource::ShadowFrontStage || stage == Resource::ShadowBackStage;
        if (!shadowStage || seen.shadowBody)
        {
            atmosphere.m_Stage = stage;
            atmosphere.render();
        }
        else
        {
            Resource::Atmosphere::setStateAfterDraw(stage);
        }
    }
}

void Renderer::renderScenePass(Scene& scene, const WhatIsSeen& seen)
{
    Camera::Camera& camera = *scene.camera;

    m_SceneFramebuffer.bind(false, SceneClearColor);
    clearSceneTarget(seen);
    // Sky, Sun and Moon write colour and glow only; the Earth-data attachment is the Earth's.
    m_SceneFramebuffer.bindTextures({ColourAttachment, GlowAttachment});
    scene.skyBox->setViewProjection(camera.getViewMatrix(), camera.getProjectionMatrix());
    scene.skyBox->draw();
    scene.sun->setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    if (seen.sun)
        scene.sun->render();
    scene.moon->setLightPosition(scene.sun->getPosition());
    // The Earth can hide the Sun from the Moon, and lights its night side.
    scene.moon->setOccluder(
        {scene.earth->getPosition(), scene.earth->getSize(), scene.sun->getSize(), seen.moonInEarthShadow});
    scene.moon->setAtmosphereColor(scene.atmosphere->getColor());
    scene.moon->setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    if (seen.moon)
        scene.moon->render();

    m_SceneFramebuffer.bindTextures({ColourAttachment, GlowAttachment, EarthDataAttachment});
    scene.earth->setLightPosition(scene.sun->getPosition());
    // The ground is lit through the atmosphere's air, and the Moon can hide the Sun from it.
    scene.earth->setAtmosphereColor(scene.atmosphere->getColor());
    scene.earth->setOccluder(moonAsOccluder(scene, seen));
    scene.earth->setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    if (seen.earth)
        scene.earth->render();
    else
        Resource::Earth::setStateAfterDraw();

    // Where none of the Sun is left in front, the bloom has nothing to spread.
    if (seen.sun)
        m_Bloom.countGlow(*scene.sun);
}

void Renderer::clearSceneTarget(const WhatIsSeen& seen)
{
    // Every body is drawn against the depth, and the glow count and the air are too.
    m_SceneFramebuffer.clearDepth();
    // The sky box is drawn first, without blending: where it covers the image it overwrites the
    // colour and glow, and clearing them would only cost their memory.
    if (!seen.skyCoversTheImage)
    {
        m_SceneFramebuffer.clearAttachment(ColourAttachment, SceneClearColor);
        m_SceneFramebuffer.clearAttachment(GlowAttachment, SceneClearColor);
    }
    // Only the copy for the atmosphere reads the Earth's data, and only within the shell's region.
    if (!isEmpty(seen.airRegion))
    {
        const ScissorScope scissor(seen.airRegion, m_Width, m_Height);
        m_SceneFramebuffer.clearAttachment(EarthDataAttachment, SceneClearColor);
    }
}

void Renderer::copyEarthData(const WhatIsSeen& seen)
{
    // The atmosphere reads the Earth's data from its own target, not from the one it draws into.
    const ScissorScope scissor(seen.airRegion, m_Width, m_Height);
    m_AtmosphereFramebuffer.bindTextures({Resource::EarthDataStage});
    m_QuadRenderer.draw(m_SceneFramebuffer.m_Textures[EarthDataAttachment], 0);
}

void Renderer::renderAtmosphereOverScene(Scene& scene, const WhatIsSeen& seen)
{
    Camera::Camera& camera = *scene.camera;
    Resource::Atmosphere& atmosphere = *scene.atmosphere;

    // The air's glow and Earth-data outputs are zero with alpha 0, which the blending leaves as they
    // were: only the colour need be drawn.
    m_SceneFramebuffer.bindTextures({ColourAttachment});
    atmosphere.setMatrices(camera.getViewMatrix(), camera.getProjectionMatrix());
    atmosphere.setLightPosition(scene.sun->getPosition());
    atmosphere.setOccluder(moonAsOccluder(scene, seen));
    atmosphere.m_Stage = Resource::OverSceneStage;
    atmosphere.setFramebuffer(m_AtmosphereFramebuffer);
    atmosphere.render();
}

void Renderer::present()
{
    m_ScreenFramebuffer.bind(false, WindowClearColor);
    // The copy covers the render size; only a larger window keeps pixels of earlier frames.
    if (m_WindowNeedsColourClear)
        m_ScreenFramebuffer.clearAttachment(0, WindowClearColor);
    if (m_WindowHasDepth)
        m_ScreenFramebuffer.clearDepth();
    m_QuadRenderer.draw(m_SceneFramebuffer.m_Textures[ColourAttachment], 0);
}

} // namespace Renderer
