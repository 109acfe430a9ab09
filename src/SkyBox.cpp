#include "SkyBox.h"

#include "ScreenSpace.h"
#include "Shader.h"
#include "Texture.h"

#include <glm/gtc/type_ptr.hpp>

#include <cmath>

namespace Resource
{

namespace
{
constexpr float HalfEdge = 50.0f;
} // namespace

glm::mat4 rotationOnly(const glm::mat4& view)
{
    return glm::mat4(glm::mat3(view));
}

bool skyBoxCoversTheView(const glm::mat4& projection)
{
    if (!Projection::isCentredPerspective(projection) || projection[0][0] == 0.0f || projection[1][1] == 0.0f)
        return false;
    const float near = Projection::nearPlane(projection);
    const float far = Projection::farPlane(projection);
    // A ray meets the cube between the middle of a face and a corner, HalfEdge to HalfEdge * sqrt(3)
    // away; its depth is that distance times its cosine to the view axis, smallest at the image's
    // corners.
    const float cornerX = 1.0f / projection[0][0];
    const float cornerY = 1.0f / projection[1][1];
    const float smallestCosine = 1.0f / std::sqrt(1.0f + cornerX * cornerX + cornerY * cornerY);
    return near > 0.0f && HalfEdge * smallestCosine > near && HalfEdge * std::sqrt(3.0f) < far;
}

SkyBox::SkyBox()
{
    m_CubeMap = Texture::loadCubeMap(Image, Image, Image, Image, Image, Image);
    m_Program = Shader::getProgram(ProgramName, false);
    m_ViewMatrixLocation = glGetUniformLocation(m_Program, "viewMatrix");
    m_ProjectionMatrixLocation = glGetUniformLocation(m_Program, "projectionMatrix");
    m_CubemapLocation = glGetUniformLocation(m_Program, "cubemap");

    // Four corners per face, so no vertex is shared between faces.
    const float h = HalfEdge;
    m_Vertices = {
        {-h, -h, h},  {-h, -h, -h}, {h, -h, -h},  {h, -h, h},   // y = -50
        {-h, h, h},   {-h, h, -h},  {h, h, -h},   {h, h, h},    // y = +50
        {-h, -h, h},  {-h, -h, -h}, {-h, h, -h},  {-h, h, h},   // x = -50
        {h, -h, h},   {h, -h, -h},  {h, h, -h},   {h, h, h},    // x = +50
        {-h, -h, -h}, {-h, h, -h},  {h, h, -h},   {h, -h, -h},  // z = -50
        {-h, -h, h},  {-h, h, h},   {h, h, h},    {h, -h, h},   // z = +50
    };
    for (GLuint face = 0; face < 6; ++face)
    {
        const GLuint first = 4 * face;
        m_Indices.insert(m_Indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    }

    glGenVertexArrays(1, &m_VertexArray);
    glBindVertexArray(m_VertexArray);
    glGenBuffers(1, &m_VertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_VertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_Vertices.size() * sizeof(glm::vec3)), m_Vertices.data(),
                 GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(glm::vec3), nullptr);
    glGenBuffers(1, &m_IndexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_IndexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_Indices.size() * sizeof(GLuint)),
                 m_Indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void SkyBox::setViewProjection(const glm::mat4& view, const glm::mat4& projection)
{
    m_ViewMatrix = view;
    m_ProjectionMatrix = projection;
}

void SkyBox::draw()
{
    const glm::mat4 view = rotationOnly(m_ViewMatrix);

    // The sky writes no depth, so every body drawn after it lies in front.
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

    glUseProgram(m_Program);
    glUniformMatrix4fv(m_ViewMatrixLocation, 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(m_ProjectionMatrixLocation, 1, GL_FALSE, glm::value_ptr(m_ProjectionMatrix));
    glBindVertexArray(m_VertexArray);
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(m_CubemapLocation, 0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, m_CubeMap);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(m_Indices.size()), GL_UNSIGNED_INT, nullptr);

    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    glBindVertexArray(0);
    glUseProgram(0);
    glDepthMask(GL_TRUE);
}

} // namespace Resource
