#include "QuadRenderer.h"

#include "Shader.h"

namespace Renderer
{

std::vector<float> makeQuadVertices()
{
    return {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f, -1.0f};
}

QuadRenderer::QuadRenderer(const std::string& name, int width, int height, const std::vector<std::string>& constants)
    : m_Width(width)
    , m_Height(height)
{
    const std::vector<float> vertices = makeQuadVertices();
    glGenVertexArrays(1, &m_VertexArray);
    glBindVertexArray(m_VertexArray);
    glGenBuffers(1, &m_VertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_VertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);

    m_Program = Shader::getProgram(name, false, constants);
    m_WidthLocation = glGetUniformLocation(m_Program, "width");
    m_HeightLocation = glGetUniformLocation(m_Program, "height");
    m_QuadTextureLocation = glGetUniformLocation(m_Program, "quadTexture");
    m_ExtraDataLocation = glGetUniformLocation(m_Program, "extraData");

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

void QuadRenderer::setStateAfterDraw()
{
    // Both triangles wind clockwise. Depth and blending are the caller's: the copies test against
    // the depth, the bloom's levels are added.
    glDisable(GL_CULL_FACE);
}

void QuadRenderer::draw(GLuint texture, int extra)
{
    glUseProgram(m_Program);
    glBindVertexArray(m_VertexArray);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(m_QuadTextureLocation, 0);
    glUniform1f(m_WidthLocation, static_cast<float>(m_Width));
    glUniform1f(m_HeightLocation, static_cast<float>(m_Height));
    glUniform1i(m_ExtraDataLocation, extra);
    // The draw's state is the one it leaves.
    setStateAfterDraw();
    glDrawArrays(GL_TRIANGLES, 0, 6);

    glBindTexture(GL_TEXTURE_2D, 0);
    glBindVertexArray(0);
    glUseProgram(0);
}

} // namespace Renderer
