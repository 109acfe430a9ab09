#include "Earth.h"

namespace Resource
{

Earth::Earth()
{
    load(info(), textures(), motion());
}

ModelInfo Earth::info()
{
    return {"models/earth/earth.obj", "Earth", 1.0f, true};
}

std::vector<TextureSlot> Earth::textures()
{
    // The list position is the texture unit, and each sampler is set to its slot's unit.
    return {
        {"models/earth/color.png", 0, "textureColor", 0},
        {"models/earth/clouds.png", 0, "textureClouds", 0},
        {"models/earth/night.png", 0, "textureNight", 0},
        {"models/earth/bump.png", 0, "textureBump", 0},
    };
}

Motion Earth::motion()
{
    return {50.0f, 8.0f, 1.3f};
}

void Earth::setStateAfterDraw()
{
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    // Both faces are drawn: the tessellated surface is not culled.
    glDisable(GL_CULL_FACE);
}

void Earth::render()
{
    // The draw's state is the one it leaves.
    setStateAfterDraw();

    glBindVertexArray(m_VAO);
    glUseProgram(m_Program);
    bindTextures();
    setCommonUniforms();
    glUniform1f(m_TessLevelInnerLocation, 4.0f);
    glUniform1f(m_TessLevelOuterLocation, 4.0f);
    glPatchParameteri(GL_PATCH_VERTICES, 3);
    glDrawElements(GL_PATCHES, getIndexCount(), GL_UNSIGNED_INT, nullptr);

    glUseProgram(0);
    glBindVertexArray(0);
}

} // namespace Resource
