#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include <string>
#include <vector>

namespace Resource
{

// The view matrix without its translation, so the sky stays centred on the eye.
glm::mat4 rotationOnly(const glm::mat4& view);

// Whether the sky box, drawn round the eye with `projection`, covers every pixel of the image: every
// direction in view meets the cube between the near and the far plane. Only a centred perspective
// projection is judged; any other counts as not covered.
bool skyBoxCoversTheView(const glm::mat4& projection);

// The star cube round the eye, drawn first and without depth writes.
class SkyBox
{
public:
    SkyBox();
    // The image on every face of the cube, and the program.
    static constexpr const char* Image = "models/skybox/seamless.png";
    static constexpr const char* ProgramName = "SkyBox";
    void setViewProjection(const glm::mat4& view, const glm::mat4& projection);
    void draw();

private:
    GLint m_ViewMatrixLocation = 0;
    GLint m_ProjectionMatrixLocation = 0;
    glm::mat4 m_ViewMatrix{1.0f};
    glm::mat4 m_ProjectionMatrix{1.0f};
    GLint m_CubemapLocation = 0;
    GLuint m_Program = 0;
    GLuint m_CubeMap = 0;
    GLuint m_VertexArray = 0;
    std::vector<glm::vec3> m_Vertices;
    std::vector<GLuint> m_Indices;
    GLuint m_VertexBuffer = 0;
    GLuint m_IndexBuffer = 0;
};

} // namespace Resource
