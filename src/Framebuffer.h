#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <initializer_list>
#include <set>
#include <vector>

// One render target: an off-screen framebuffer with colour textures and a depth buffer,
// or (with no attachments and name 0) the window. A copy names the same GL objects.
struct Framebuffer
{
    int m_NumTextures = 0;
    int m_Width = 0;
    int m_Height = 0;
    std::set<int> m_FloatTextures;
    GLuint m_Fbo = 0;
    std::vector<GLuint> m_Textures;
    GLuint m_DepthBuffer = 0;

    // Throws the plain string "FBO is incomplete!!!" when the driver rejects the target.
    void create();
    // Draws to every attachment, clearing colour and depth first if asked.
    void bind(bool clear, const float (&clearColor)[4]);
    // Draws to exactly the listed attachments, in list order; never clears. A braced list, as the
    // renderer passes every frame, takes no allocation.
    void bindTextures(std::initializer_list<int> textures);
    void bindTextures(const std::vector<int>& textures);
    void initScreen(int width, int height);
    // Clear parts of the bound target, within the scissor box if one is set: colour attachment
    // `attachment` (drawn through after `bind`), or the depth buffer to 1.
    void clearAttachment(int attachment, const float (&clearColor)[4]);
    void clearDepth();

private:
    void bindTextures(const int* textures, std::size_t count);
};
