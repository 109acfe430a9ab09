#pragma once

#include "Framebuffer.h"
#include "Model.h"

namespace Resource
{

// The stages of the atmosphere's draw, by the number the renderer writes into `m_Stage`. The first four
// draw into the atmosphere target's attachment of their number; the fifth image is the renderer's.
constexpr int ShellFrontStage = 0;
constexpr int ShellBackStage = 1;
constexpr int ShadowFrontStage = 2;
constexpr int ShadowBackStage = 3;
constexpr int EarthDataStage = 4;
constexpr int OverSceneStage = 5;
constexpr int OffscreenStageCount = 4;

// The shell's radius in Earth radii, and its colour, as the scene makes the atmosphere.
constexpr float AtmosphereScale = 1.075f;
inline const glm::vec4 AtmosphereColor{0.2f, 0.3f, 0.7f, 1.0f};

// Within this many near-plane distances of the shell the last stage draws the shell's far side in front
// of everything, because the near plane may cut its near side away.
constexpr float NearShellMargin = 3.0f;

// The Earth's shadow body reaches from the parent's centre this many parent sizes away from the light, with
// the parent's radius (its mesh spans 1.1 along y, with radius 1).
constexpr float ShadowBodyLength = 1.1f;

// Placement of the Earth's shadow body: centre 0.55 r beyond the parent, +y turned away from the light.
glm::mat4 shadowModelMatrix(const glm::vec4& parentPosition, const glm::vec4& lightPosition, float size);
// The rotation that turns +y onto `direction` (a unit vector); a half turn about x when it points along -y.
glm::mat4 shadowOrientation(const glm::vec3& direction);

// The shell of air round the Earth, drawn in stages with the Earth's shadow body.
class Atmosphere : public Model
{
public:
    Atmosphere(float scale, const glm::vec4& color);

    // The shell's data as handed to Model::load, and the shadow body's mesh; readable without a GL context.
    static ModelInfo info();
    static constexpr const char* ShadowMesh = "models/atmosphere/shadow.obj";

    void render() override;
    void setParent(IModel* parent) override;
    void setFramebuffer(const Framebuffer& framebuffer);

    float getRadius() const { return m_Radius; }
    const glm::vec4& getColor() const { return m_Color; }

    // The fixed-function state the draw of `stage` leaves set; the renderer sets it in place of the
    // draws it skips, so that the draws after them find the same state.
    static void setStateAfterDraw(int stage);

    // The stage the next render draws (the stage constants above); written by the renderer.
    int m_Stage = 0;

private:
    void renderOffscreenStage();
    void renderOverScene();
    static void setOffscreenStageState(int stage);
    static void setOverSceneState();

    Framebuffer m_Framebuffer;
    std::vector<Vertex> m_ShadowVertices;
    std::vector<GLuint> m_ShadowIndices;
    GLuint m_ShadowVAO = 0;
    GLuint m_ShadowVBO = 0;
    GLuint m_ShadowEBO = 0;
    GLint m_StageLocation = 0;
    GLint m_BackLocation = 0;
    GLint m_FrontLocation = 0;
    GLint m_ShadowBackLocation = 0;
    GLint m_ShadowFrontLocation = 0;
    GLint m_EarthLocation = 0;
    GLint m_AtmosphereColorLocation = 0;
    GLint m_AtmosphereScaleLocation = 0;
    float m_Scale;
    glm::vec4 m_Color;
    float m_ParentSize = 0.0f;
    float m_Radius = 0.0f;
};

} // namespace Resource
