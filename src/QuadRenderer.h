#pragma once

#include <GL/glew.h>

#include <string>
#include <vector>

namespace Renderer
{

// Two clockwise triangles covering -1..1 on both axes, as (x, y) pairs.
std::vector<float> makeQuadVertices();

// One full-viewport pass through a named program that receives a texture, the render size and one integer.
class QuadRenderer
{
public:
    // `constants`: values of the caller's that the program computes with (see Shader::Constants).
    QuadRenderer(const std::string& name, int width, int height, const std::vector<std::string>& constants = {});
    virtual void draw(GLuint texture, int extra);
    // The fixed-function state the draw leaves set, for a renderer that skips the draw.
    static void setStateAfterDraw();

    GLuint m_VertexArray = 0;
    GLuint m_VertexBuffer = 0;
    GLuint m_Program = 0;
    GLint m_WidthLocation = 0;
    GLint m_HeightLocation = 0;
    GLint m_QuadTextureLocation = 0;
    GLint m_ExtraDataLocation = 0;
    int m_Width = 0;
    int m_Height = 0;
};

} // namespace Renderer
