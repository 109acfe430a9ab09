#pragma once

#include "Bloom.h"
#include "Framebuffer.h"
#include "LenseFlare.h"
#include "QuadRenderer.h"
#include "Scene.h"

struct WhatIsSeen;

namespace Renderer
{

// The passes of a frame in their order: those of `Renderer::render`, then the two effects laid over the
// finished image.
enum class Pass
{
    AtmosphereStages,
    Scene,
    EarthDataCopy,
    AtmosphereOverScene,
    Presentation,
    Bloom,
    LenseFlare,
};
constexpr int RenderPassCount = static_cast<int>(Pass::Presentation) + 1;
constexpr int PassCount = static_cast<int>(Pass::LenseFlare) + 1;
// The pass's name in tools' reports, as "atmosphere-stages".
const char* passName(Pass pass);

// Told when each pass of a frame begins and ends: a tool's way to time the passes.
class PassObserver
{
public:
    virtual void beginPass(Pass pass) = 0;
    virtual void endPass(Pass pass) = 0;

protected:
    ~PassObserver() = default;
};

// How tools and tests may have the renderer draw; the program takes the defaults.
struct RenderOptions
{
    // Called around every pass when set.
    PassObserver* observer = nullptr;
    // Leaves out the draws and clears that can change no pixel, as the program's frames do. Off, every
    // pass runs over the whole image with every body: the frame that the skipping must equal.
    bool skipUnseen = true;
};

// Composes one frame: atmosphere stages, the scene target, and the copy onto the window.
class Renderer
{
public:
    // The program of the copies through the screen quad.
    static constexpr const char* QuadProgramName = "Quad";

    Renderer(int width, int height, const RenderOptions& options = {});
    // One frame of the scene, drawn onto the window.
    void render(Scene& scene);
    // One frame as the frame loop draws it: `render`, then the bloom and the lens flare on the
    // renderer's targets, each reported to the observer like the renderer's own passes.
    void drawFrame(Scene& scene);

    int m_Width;
    int m_Height;
    Framebuffer m_SceneFramebuffer;
    Framebuffer m_AtmosphereFramebuffer;
    Framebuffer m_ScreenFramebuffer;
    QuadRenderer m_QuadRenderer;
    LenseFlare m_LenseFlare;
    Bloom m_Bloom;

private:
    WhatIsSeen whatIsSeen(const Scene& scene) const;
    void render(Scene& scene, const WhatIsSeen& seen);
    void renderAtmosphereStages(Scene& scene, const WhatIsSeen& seen);
    void renderScenePass(Scene& scene, const WhatIsSeen& seen);
    void clearSceneTarget(const WhatIsSeen& seen);
    void copyEarthData(const WhatIsSeen& seen);
    void renderAtmosphereOverScene(Scene& scene, const WhatIsSeen& seen);
    void present();

    RenderOptions m_Options;
    // Whether the presentation must clear the window's colour (it is larger than the render size)
    // and its depth (it has a depth buffer); found at construction.
    bool m_WindowNeedsColourClear = true;
    bool m_WindowHasDepth = true;
};

} // namespace Renderer
