#include "Atmosphere.h"

#include "Shader.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/gtc/constants.hpp>

#include <cassert>
#include <cmath>

namespace Resource
{

glm::mat4 shadowOrientation(const glm::vec3& direction)
{
    const glm::vec3 up(0.0f, 1.0f, 0.0f);
    const glm::vec3 axis = glm::cross(up, direction);
    const float sine = glm::length(axis);
    // Below this the axis' squared length underflows and normalising it gives NaN; the turn is
    // then none (along +y) or half (along -y, straight below the light: about x by choice).
    if (sine < 1e-12f)
    {
        if (glm::dot(up, direction) >= 0.0f)
            return glm::mat4(1.0f);
        return glm::rotate(glm::mat4(1.0f), glm::pi<float>(), glm::vec3(1.0f, 0.0f, 0.0f));
    }
    // The angle whose cosine is up . direction; from sine and cosine it keeps full precision near
    // 0 and pi, where acos of a rounded cosine loses half the digits (and is NaN just past 1).
    const float angle = std::atan2(sine, glm::dot(up, direction));
    return glm::rotate(glm::mat4(1.0f), angle, axis / sine);
}

glm::mat4 shadowModelMatrix(const glm::vec4& parentPosition, const glm::vec4& lightPosition, float size)
{
    const glm::vec4 fromLight = parentPosition - lightPosition;
    const float distance = glm::length(fromLight);
    // A parent sitting on the light casts no shadow in any direction; normalising would give NaN.
    const glm::vec4 away = distance > 0.0f ? fromLight / distance : glm::vec4(0.0f);
    const glm::vec4 centre = parentPosition + away * ShadowBodyLength / 2.0f * size;
    glm::mat4 matrix = glm::translate(glm::mat4(1.0f), glm::vec3(centre));
    matrix = glm::scale(matrix, glm::vec3(size));
    return matrix * shadowOrientation(glm::vec3(away));
}

Atmosphere::Atmosphere(float scale, const glm::vec4& color)
    : m_Scale(scale)
    , m_Color(color)
{
    load(info(), {}, Motion{},
         {Shader::constant("OverSceneStage", OverSceneStage), Shader::constant("NearShellMargin", NearShellMargin)});
    m_StageLocation = glGetUniformLocation(m_Program, "stage");
    m_FrontLocation = glGetUniformLocation(m_Program, "front");
    m_BackLocation = glGetUniformLocation(m_Program, "back");
    m_ShadowFrontLocation = glGetUniformLocation(m_Program, "shadowFront");
    m_ShadowBackLocation = glGetUniformLocation(m_Program, "shadowBack");
    m_EarthLocation = glGetUniformLocation(m_Program, "earth");
    m_AtmosphereColorLocation = glGetUniformLocation(m_Program, "atmosphereColor");
    m_AtmosphereScaleLocation = glGetUniformLocation(m_Program, "atmosphereScale");
    loadMesh(ShadowMesh, m_ShadowVertices, m_ShadowIndices);
    createBuffers(m_ShadowVertices, m_ShadowIndices, m_ShadowVAO, m_ShadowVBO, m_ShadowEBO);
}

ModelInfo Atmosphere::info()
{
    return {"models/atmosphere/atmosphere.obj", "Atmosphere", 0.0f, false};
}

void Atmosphere::setParent(IModel* parent)
{
    assert(parent);
    m_ParentSize = parent->getSize();
    Model::setParent(parent);
    m_Radius = m_Scale * m_ParentSize;
    m_Size = m_Radius;
}

void Atmosphere::setFramebuffer(const Framebuffer& framebuffer)
{
    m_Framebuffer = framebuffer;
}

void Atmosphere::render()
{
    assert(m_Stage != EarthDataStage && "must be done in Renderer to save rendering time!!!");
    if (m_Stage >= ShellFrontStage && m_Stage <= ShadowBackStage)
        renderOffscreenStage();
    else if (m_Stage == OverSceneStage)
        renderOverScene();
}

void Atmosphere::setOffscreenStageState(int stage)
{
    const bool back = stage == ShellBackStage || stage == ShadowBackStage;
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    // Clockwise front faces keep the far side of the closed mesh.
    glFrontFace(back ? GL_CW : GL_CCW);
}

void Atmosphere::setOverSceneState()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquation(GL_FUNC_ADD);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glCullFace(GL_BACK);
}

void Atmosphere::setStateAfterDraw(int stage)
{
    if (stage >= ShellFrontStage && stage <= ShadowBackStage)
    {
        setOffscreenStageState(stage);
    }
    else if (stage == OverSceneStage)
    {
        // The draw over the scene switches blending off again after it.
        setOverSceneState();
        glDisable(GL_BLEND);
    }
}

void Atmosphere::renderOffscreenStage()
{
    const bool shadow = m_Stage == ShadowFrontStage || m_Stage == ShadowBackStage;
    setOffscreenStageState(m_Stage);

    const GLuint vertexArray = shadow ? m_ShadowVAO : m_VAO;
    const GLsizei indexCount = static_cast<GLsizei>(shadow ? m_ShadowIndices.size() : m_Indices.size());
    const float size = shadow ? m_ParentSize : m_Radius;
    glBindVertexArray(vertexArray);
    glUseProgram(m_Program);

    const glm::vec4 parentPosition = m_pParent->getPosition();
    const glm::mat4 model = shadow ? shadowModelMatrix(parentPosition, m_LightPosition, size)
                                   : glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(parentPosition)),
                                                glm::vec3(size));
    glUniformMatrix4fv(m_ModelMatLocation, 1, GL_FALSE, glm::value_ptr(model));
    glUniformMatrix4fv(m_ViewMatLocation, 1, GL_FALSE, glm::value_ptr(m_ViewMatrix));
    glUniformMatrix4fv(m_ProjectionMatLocation, 1, GL_FALSE, glm::value_ptr(m_ProjectionMatrix));
    glUniform1i(m_StageLocation, m_Stage);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, nullptr);

    glUseProgram(0);
    glBindVertexArray(0);
}

void Atmosphere::renderOverScene()
{
    assert(m_Framebuffer.m_Textures.size() >= 5 && "setFramebuffer before drawing over the scene");
    setOverSceneState();

    glBindVertexArray(m_VAO);
    glUseProgram(m_Program);
    const glm::vec4 parentPosition = m_pParent->getPosition();
    const glm::mat4 model =
        glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(parentPosition)), glm::vec3(m_Radius));
    glUniformMatrix4fv(m_ModelMatLocation, 1, GL_FALSE, glm::value_ptr(model));
    glUniformMatrix4fv(m_ViewMatLocation, 1, GL_FALSE, glm::value_ptr(m_ViewMatrix));
    glUniformMatrix4fv(m_ProjectionMatLocation, 1, GL_FALSE, glm::value_ptr(m_ProjectionMatrix));
    glUniform1i(m_StageLocation, OverSceneStage);

    const GLint samplers[5] = {m_FrontLocation, m_BackLocation, m_ShadowFrontLocation, m_ShadowBackLocation,
                               m_EarthLocation};
    for (GLuint unit = 0; unit < 5; ++unit)
    {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, m_Framebuffer.m_Textures[unit]);
        glUniform1i(samplers[unit], static_cast<GLint>(unit));
    }
    glUniform4fv(m_AtmosphereColorLocation, 1, glm::value_ptr(m_Color));
    glUniform1f(m_AtmosphereScaleLocation, m_Scale);
    setOccluderUniforms();
    // Only the air the Sun reaches glows; the shadow images alone cannot say how steeply it is lit.
    glUniform4fv(m_LightPositionLocation, 1, glm::value_ptr(m_LightPosition));
    glDrawElements(GL_TRIANGLES, getIndexCount(), GL_UNSIGNED_INT, nullptr);

    for (GLuint unit = 5; unit-- > 0;)
    {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glUseProgram(0);
    glBindVertexArray(0);
    glDisable(GL_BLEND);
}

} // namespace Resource
