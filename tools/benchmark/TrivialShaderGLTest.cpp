// The trivial programs must keep the pass structure of the real ones: the same stages, outputs and
// geometry, so that the same pixels are drawn, with none of the shading.
#include "GLContext.h"

#include "Capture.h"
#include "Shader.h"
#include "TempDir.h"

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
struct ProgramInterface
{
    std::set<GLint> outputLocations;
    std::map<std::string, GLint> inputs;
    std::map<std::string, GLenum> uniforms;
    // Primitive mode, spacing, winding and patch size of the tessellation stages; zeros without them.
    std::array<GLint, 4> tessellation{};
};

std::string resourceName(GLuint program, GLenum interface, GLuint index)
{
    char name[256] = {};
    glGetProgramResourceName(program, interface, index, sizeof name, nullptr, name);
    return name;
}

ProgramInterface describe(GLuint program, bool tessellation)
{
    ProgramInterface description;
    const GLenum location = GL_LOCATION;
    GLint count = 0;
    glGetProgramInterfaceiv(program, GL_PROGRAM_OUTPUT, GL_ACTIVE_RESOURCES, &count);
    for (GLint i = 0; i < count; ++i)
    {
        GLint value = -1;
        glGetProgramResourceiv(program, GL_PROGRAM_OUTPUT, static_cast<GLuint>(i), 1, &location, 1, nullptr, &value);
        description.outputLocations.insert(value);
    }
    glGetProgramInterfaceiv(program, GL_PROGRAM_INPUT, GL_ACTIVE_RESOURCES, &count);
    for (GLint i = 0; i < count; ++i)
    {
        GLint value = -1;
        glGetProgramResourceiv(program, GL_PROGRAM_INPUT, static_cast<GLuint>(i), 1, &location, 1, nullptr, &value);
        description.inputs[resourceName(program, GL_PROGRAM_INPUT, static_cast<GLuint>(i))] = value;
    }
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    for (GLint i = 0; i < count; ++i)
    {
        char name[256] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type, name);
        description.uniforms[name] = type;
    }
    if (tessellation)
    {
        glGetProgramiv(program, GL_TESS_GEN_MODE, &description.tessellation[0]);
        glGetProgramiv(program, GL_TESS_GEN_SPACING, &description.tessellation[1]);
        glGetProgramiv(program, GL_TESS_GEN_VERTEX_ORDER, &description.tessellation[2]);
        glGetProgramiv(program, GL_TESS_CONTROL_OUTPUT_VERTICES, &description.tessellation[3]);
    }
    return description;
}

bool isSampler(GLenum type)
{
    switch (type)
    {
    case GL_SAMPLER_1D:
    case GL_SAMPLER_2D:
    case GL_SAMPLER_3D:
    case GL_SAMPLER_CUBE:
    case GL_SAMPLER_2D_SHADOW:
    case GL_SAMPLER_2D_ARRAY:
    case GL_SAMPLER_BUFFER:
    case GL_INT_SAMPLER_2D:
    case GL_UNSIGNED_INT_SAMPLER_2D: return true;
    default: return false;
    }
}

// The uniforms that place the geometry or set how finely it is cut ("stage" moves the atmosphere's
// shell in front of the eye, the flare's box bounds its square): without them a trivial program would
// draw other pixels than the real one.
const char* const GeometryUniforms[] = {"modelMat",       "viewMat",        "projectionMat", "viewMatrix",
                                        "projectionMatrix", "TessLevelInner", "TessLevelOuter", "stage",
                                        "effectPosX",     "effectPosY",     "effectWidth",   "effectHeight"};

struct ProgramCase
{
    const char* name;
    bool tessellation;
};
const ProgramCase Programs[] = {
    {"Quad", false},   {"LenseFlare", false}, {"Bloom", false}, {"Blend", false}, {"SkyBox", false},
    {"Earth", true},   {"Atmosphere", false}, {"Moon", false},  {"Sun", false},
};

// A directory whose shader/ is the trivial set, as scripts/benchmark.sh arranges it.
class TrivialShaderGLTest : public GLTest
{
protected:
    TrivialShaderGLTest()
    {
        std::filesystem::create_directory_symlink(sourceDir() / "tools/benchmark/trivial-shader",
                                                  m_Directory.path() / "shader");
    }

    GLuint buildTrivial(const ProgramCase& program)
    {
        ScopedWorkingDirectory inside(m_Directory.path());
        return Shader::loadProgram(program.name, program.tessellation);
    }

    TempDir m_Directory;
    CoutCapture m_BuildLog;
};
} // namespace

TEST_F(TrivialShaderGLTest, SameStagesOutputsAndGeometryWithoutTextures)
{
    for (const ProgramCase& program : Programs)
    {
        SCOPED_TRACE(program.name);
        // The program asks for a 4.0 context; llvmpipe would build a 4.1 text too, so look at the line itself.
        for (const char* set : {"shader/", "tools/benchmark/trivial-shader/"})
            for (const char* stage : {".vertexShader.txt", ".tessCont.txt", ".tessEval.txt", ".fragmentShader.txt"})
            {
                std::ifstream text(sourceDir() / (std::string(set) + program.name + stage));
                std::string first;
                if (std::getline(text, first))
                    EXPECT_EQ(first, "#version 400 core") << set << program.name << stage;
                else
                    EXPECT_TRUE(!program.tessellation && std::string(stage).rfind(".tess", 0) == 0) << set << program.name << stage;
            }
        GLuint real = 0;
        {
            ScopedWorkingDirectory repository(sourceDir());
            real = Shader::loadProgram(program.name, program.tessellation);
        }
        const GLuint trivial = buildTrivial(program);
        const ProgramInterface expected = describe(real, program.tessellation);
        const ProgramInterface actual = describe(trivial, program.tessellation);
        glDeleteProgram(real);
        glDeleteProgram(trivial);

        // Every attachment the real program writes is written, so no target keeps stale values.
        EXPECT_EQ(actual.outputLocations, expected.outputLocations);
        for (const auto& [name, location] : actual.inputs)
        {
            ASSERT_EQ(expected.inputs.count(name), 1u) << "input " << name;
            EXPECT_EQ(location, expected.inputs.at(name)) << "input " << name;
        }
        for (const char* uniform : GeometryUniforms)
        {
            if (expected.uniforms.count(uniform))
            {
                EXPECT_EQ(actual.uniforms.count(uniform), 1u) << "uniform " << uniform;
            }
        }
        for (const auto& [name, type] : actual.uniforms)
            EXPECT_FALSE(isSampler(type)) << "samples " << name;
        EXPECT_EQ(actual.tessellation, expected.tessellation);
    }
}

TEST_F(TrivialShaderGLTest, OnlyTheSunGlowsSoTheFlareStillDraws)
{
    // The lens flare draws only where the glow attachment is lit at the Sun's centre.
    struct GlowCase
    {
        const char* name;
        bool glows;
    };
    const GlowCase cases[] = {{"Sun", true}, {"Moon", false}, {"SkyBox", false}};

    constexpr int Size = 8;
    GLuint framebuffer = 0;
    GLuint textures[2] = {};
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(2, textures);
    for (int i = 0; i < 2; ++i)
    {
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Size, Size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(i), GL_TEXTURE_2D,
                               textures[i], 0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLenum buffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glDrawBuffers(2, buffers);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    // One triangle over the whole target.
    const float corners[] = {-1.0f, -1.0f, 0.0f, 1.0f, 3.0f, -1.0f, 0.0f, 1.0f, -1.0f, 3.0f, 0.0f, 1.0f};
    GLuint vertexArray = 0;
    GLuint buffer = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    glViewport(0, 0, Size, Size);

    for (const GlowCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const GLuint program = buildTrivial({c.name, false});
        glUseProgram(program);
        const glm::mat4 identity(1.0f);
        for (const auto& [name, type] : describe(program, false).uniforms)
            if (type == GL_FLOAT_MAT4)
                glUniformMatrix4fv(glGetUniformLocation(program, name.c_str()), 1, GL_FALSE,
                                   glm::value_ptr(identity));
        const float black[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        glClearBufferfv(GL_COLOR, 1, black);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glUseProgram(0);
        glDeleteProgram(program);

        GLubyte glow[4] = {};
        glReadBuffer(GL_COLOR_ATTACHMENT1);
        glReadPixels(Size / 2, Size / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, glow);
        EXPECT_EQ(glow[0] + glow[1] + glow[2] > 0, c.glows);
    }

    glDisableVertexAttribArray(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
    glDeleteVertexArrays(1, &vertexArray);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(2, textures);
    glViewport(0, 0, 64, 64);
}
