// Programs built by name from text files, on the real driver.
#include "Capture.h"
#include "GLContext.h"
#include "Shader.h"
#include "TempDir.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

const char* const VertexText = "#version 400 core\n"
                               "layout(location = 0) in vec2 position;\n"
                               "void main() { gl_Position = vec4(position, 0.0, 1.0); }\n";
const char* const ControlText = "#version 400 core\n"
                                "layout(vertices = 3) out;\n"
                                "void main()\n"
                                "{\n"
                                "    gl_out[gl_InvocationID].gl_Position = gl_in[gl_InvocationID].gl_Position;\n"
                                "    gl_TessLevelOuter[0] = 1.0; gl_TessLevelOuter[1] = 1.0;\n"
                                "    gl_TessLevelOuter[2] = 1.0; gl_TessLevelInner[0] = 1.0;\n"
                                "}\n";
const char* const EvaluationText = "#version 400 core\n"
                                   "layout(triangles) in;\n"
                                   "void main()\n"
                                   "{\n"
                                   "    gl_Position = gl_TessCoord.x * gl_in[0].gl_Position\n"
                                   "                + gl_TessCoord.y * gl_in[1].gl_Position\n"
                                   "                + gl_TessCoord.z * gl_in[2].gl_Position;\n"
                                   "}\n";
const char* const FragmentText = "#version 400 core\n"
                                 "layout(location = 0) out vec4 color;\n"
                                 "void main() { color = vec4(1.0); }\n";
// The error sits on line 2 of the file.
const char* const BrokenText = "#version 400 core\n"
                               "void main() { undeclaredName = 1.0; }\n";
// Compiles, but the call has no body anywhere in the program.
const char* const UnlinkableFragmentText = "#version 400 core\n"
                                           "layout(location = 0) out vec4 color;\n"
                                           "vec4 missingBody();\n"
                                           "void main() { color = missingBody(); }\n";

const char* const Vertex = ".vertexShader.txt";
const char* const Control = ".tessCont.txt";
const char* const Evaluation = ".tessEval.txt";
const char* const Fragment = ".fragmentShader.txt";

// Every test works in its own directory with its own base names: the program cache outlives the test.
class ShaderGLTest : public GLTest
{
protected:
    ShaderGLTest()
        : m_WorkingDirectory(m_Directory.path())
    {
    }

    std::string uniqueName(const std::string& stem) const
    {
        static int counter = 0;
        return "ShaderGLTest_" + stem + "_" + std::to_string(++counter);
    }

    void writeStage(const std::string& name, const std::string& suffix, const std::string& text) const
    {
        m_Directory.write("shader/" + name + suffix, text);
    }

    void writeProgram(const std::string& name, bool tessellation) const
    {
        writeStage(name, Vertex, VertexText);
        writeStage(name, Fragment, FragmentText);
        if (tessellation)
        {
            writeStage(name, Control, ControlText);
            writeStage(name, Evaluation, EvaluationText);
        }
    }

    void removeStages(const std::string& name) const
    {
        for (const char* suffix : {Vertex, Control, Evaluation, Fragment})
            std::filesystem::remove(m_Directory.path() / "shader" / (name + suffix));
    }

    static std::string compiling(const std::string& name, const std::string& suffix)
    {
        return "Compiling shader: shader/" + name + suffix + "\n";
    }

    TempDir m_Directory;
    ScopedWorkingDirectory m_WorkingDirectory;
};

GLint programParameter(GLuint program, GLenum parameter)
{
    GLint value = -1;
    glGetProgramiv(program, parameter, &value);
    return value;
}

std::string shaderSource(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_SHADER_SOURCE_LENGTH, &length);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    glGetShaderSource(shader, length + 1, nullptr, text.data());
    return text.data();
}

TEST_F(ShaderGLTest, BuildsStagesInOrderAndReportsEachLine)
{
    struct Case
    {
        const char* name;
        bool tessellation;
        std::vector<const char*> stages;
    };
    const std::vector<Case> cases = {
        {"plain", false, {Vertex, Fragment}},
        {"tessellated", true, {Vertex, Control, Evaluation, Fragment}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string name = uniqueName(c.name);
        writeProgram(name, c.tessellation);

        CoutCapture capture;
        const GLuint program = Shader::getProgram(name, c.tessellation);

        std::string expected;
        for (const char* stage : c.stages)
            expected += compiling(name, stage);
        expected += "Linking program: " + std::to_string(program) + "\n";
        EXPECT_EQ(capture.text(), expected);
        ASSERT_TRUE(glIsProgram(program));
        EXPECT_EQ(programParameter(program, GL_LINK_STATUS), GL_TRUE);
        ASSERT_EQ(programParameter(program, GL_ATTACHED_SHADERS), static_cast<GLint>(c.stages.size()));
        // The stages stay attached, already flagged for deletion with the program.
        std::vector<GLuint> shaders(c.stages.size());
        glGetAttachedShaders(program, static_cast<GLsizei>(shaders.size()), nullptr, shaders.data());
        for (GLuint shader : shaders)
        {
            GLint deleted = GL_FALSE;
            glGetShaderiv(shader, GL_DELETE_STATUS, &deleted);
            EXPECT_EQ(deleted, GL_TRUE);
        }
        EXPECT_EQ(Shader::programCache.at(name), program);
    }
}

TEST_F(ShaderGLTest, SecondRequestForANameReturnsTheCachedProgramSilently)
{
    struct Case
    {
        const char* name;
        bool firstFlag;
        bool secondFlag;
    };
    // The flag is not part of the key: a cached plain program answers a tessellated request.
    const std::vector<Case> cases = {
        {"same flag", false, false},
        {"tessellation asked later", false, true},
        {"tessellation dropped later", true, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string name = uniqueName("cached");
        writeProgram(name, c.firstFlag);
        GLuint first = 0;
        {
            CoutCapture quiet;
            first = Shader::getProgram(name, c.firstFlag);
        }
        // Without files a second build could only fail, so success proves no file was read.
        removeStages(name);

        CoutCapture capture;
        EXPECT_EQ(Shader::getProgram(name, c.secondFlag), first);
        EXPECT_EQ(capture.text(), "");
    }
}

TEST_F(ShaderGLTest, PlainRequestNeverOpensTessellationFiles)
{
    const std::string name = uniqueName("plainIgnoresTessellation");
    writeProgram(name, false);
    writeStage(name, Control, BrokenText);
    writeStage(name, Evaluation, BrokenText);

    CoutCapture capture;
    const GLuint program = Shader::getProgram(name, false);
    EXPECT_EQ(capture.text(), compiling(name, Vertex) + compiling(name, Fragment) + "Linking program: " +
                                  std::to_string(program) + "\n");
    EXPECT_EQ(programParameter(program, GL_ATTACHED_SHADERS), 2);
}

TEST_F(ShaderGLTest, LoadProgramBuildsAFreshProgramEveryTimeAndLeavesTheCacheAlone)
{
    const std::string name = uniqueName("uncached");
    writeProgram(name, false);
    CoutCapture capture;
    const GLuint first = Shader::loadProgram(name, false);
    const GLuint second = Shader::loadProgram(name, false);
    EXPECT_NE(first, second);
    EXPECT_EQ(Shader::programCache.count(name), 0u);
    EXPECT_NE(capture.text().find("Linking program: " + std::to_string(second) + "\n"), std::string::npos);
    glDeleteProgram(first);
    glDeleteProgram(second);
}

TEST_F(ShaderGLTest, EveryFailureThrowsItsMessageAndCachesNothing)
{
    enum Output
    {
        Exactly,         // the console shows `console` and nothing else
        CompilerLog,     // `console`, "result != GL_TRUE" and a non-empty log
        LinkingReported, // `console` and one "Linking program: <n>" line
    };
    struct Case
    {
        const char* name;
        bool tessellation;
        std::map<std::string, std::string> files;
        std::vector<const char*> compiledStages;
        Output output;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no files", false, {}, {}, Exactly, "Could not open file"},
        {"zero-byte vertex", false, {{Vertex, ""}, {Fragment, FragmentText}}, {}, Exactly, "Could not open file"},
        // Not an empty text: the compiler gets the single line feed and rejects the empty program.
        {"vertex of one empty line", false, {{Vertex, "\n"}, {Fragment, FragmentText}}, {Vertex}, CompilerLog,
         "Shader loading failed"},
        {"missing fragment", false, {{Vertex, VertexText}}, {Vertex}, Exactly, "Could not open file"},
        {"missing fragment after tessellation",
         true,
         {{Vertex, VertexText}, {Control, ControlText}, {Evaluation, EvaluationText}},
         {Vertex, Control, Evaluation},
         Exactly,
         "Could not open file"},
        {"missing evaluation after control",
         true,
         {{Vertex, VertexText}, {Control, ControlText}, {Fragment, FragmentText}},
         {Vertex, Control},
         Exactly,
         "Could not open file"},
        {"missing control", true, {{Vertex, VertexText}, {Fragment, FragmentText}}, {Vertex}, Exactly,
         "Could not open file"},
        {"vertex does not compile", false, {{Vertex, BrokenText}, {Fragment, FragmentText}}, {Vertex},
         CompilerLog, "Shader loading failed"},
        {"control does not compile",
         true,
         {{Vertex, VertexText}, {Control, BrokenText}, {Evaluation, EvaluationText}, {Fragment, FragmentText}},
         {Vertex, Control},
         CompilerLog,
         "Shader loading failed"},
        {"fragment does not compile", false, {{Vertex, VertexText}, {Fragment, BrokenText}}, {Vertex, Fragment},
         CompilerLog, "Shader loading failed"},
        {"does not link", false, {{Vertex, VertexText}, {Fragment, UnlinkableFragmentText}}, {Vertex, Fragment},
         LinkingReported, "Shader Linking Error"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string name = uniqueName("failure");
        for (const auto& [suffix, text] : c.files)
            writeStage(name, suffix, text);

        std::string console;
        std::string message = "nothing thrown";
        {
            CoutCapture capture;
            try
            {
                Shader::getProgram(name, c.tessellation);
            }
            catch (const std::runtime_error& error)
            {
                message = error.what();
            }
            console = capture.text();
        }
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(Shader::programCache.count(name), 0u);

        std::string expected;
        for (const char* stage : c.compiledStages)
            expected += compiling(name, stage);
        switch (c.output)
        {
        case Exactly: EXPECT_EQ(console, expected); break;
        case CompilerLog:
            expected += "result != GL_TRUE\n";
            EXPECT_EQ(console.substr(0, expected.size()), expected);
            EXPECT_GT(console.size(), expected.size()) << "the compiler log is missing";
            break;
        case LinkingReported:
        {
            // The program number is the driver's: any positive decimal number on its own line.
            expected += "Linking program: ";
            const std::string number = console.substr(std::min(expected.size(), console.size()));
            EXPECT_EQ(console.substr(0, expected.size()), expected);
            EXPECT_TRUE(number.size() >= 2 && number[0] != '0' && number.back() == '\n' &&
                        number.find_first_not_of("0123456789") == number.size() - 1)
                << console;
            break;
        }
        }

        // With sound files the same name now builds: the failure left no entry behind.
        removeStages(name);
        writeProgram(name, c.tessellation);
        CoutCapture capture;
        const GLuint program = Shader::getProgram(name, c.tessellation);
        EXPECT_EQ(Shader::programCache.at(name), program);
        EXPECT_NE(capture.text().find("Linking program: "), std::string::npos);
    }
}

TEST_F(ShaderGLTest, ReadFilePutsALineFeedBeforeEveryLine)
{
    struct Case
    {
        const char* name;
        const char* content; // nullptr: no file at all
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"missing file", nullptr, ""},
        {"zero bytes", "", ""},
        {"one empty line", "\n", "\n"},
        {"last line unterminated", "a\nb", "\na\nb"},
        {"last line terminated", "a\nb\n", "\na\nb"},
        {"inner empty line", "a\n\nb\n", "\na\n\nb"},
        {"two empty lines", "\n\n", "\n\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = "read/" + uniqueName("read");
        if (c.content)
            m_Directory.write(path, c.content);
        EXPECT_EQ(Shader::readFile(path), c.expected);
    }
}

TEST_F(ShaderGLTest, CompilerSeesTheTextShiftedByOneLine)
{
    const std::string valid = uniqueName("valid");
    writeStage(valid, Vertex, VertexText);
    {
        CoutCapture capture;
        const GLuint shader = Shader::compileShader(valid + Vertex, GL_VERTEX_SHADER);
        EXPECT_EQ(capture.text(), compiling(valid, Vertex));
        // One line feed before the first line, none after the last.
        std::string text = VertexText;
        text.pop_back();
        EXPECT_EQ(shaderSource(shader), "\n" + text);
        glDeleteShader(shader);
    }

    // The error on line 2 of the file is reported on line 3.
    const std::string broken = uniqueName("broken");
    writeStage(broken, Vertex, BrokenText);
    CoutCapture capture;
    EXPECT_THROW(Shader::compileShader(broken + Vertex, GL_VERTEX_SHADER), std::runtime_error);
    const std::string console = capture.text();
    EXPECT_NE(console.find("0:3("), std::string::npos) << console;
    EXPECT_EQ(console.find("0:2("), std::string::npos) << console;
}

TEST_F(ShaderGLTest, SharedTextAndConstantsKeepTheStageFilesLineNumbers)
{
    // A stage whose file line 3 includes the shared text and whose line 4 holds `fault`; the shared
    // text's line 2 holds `sharedFault`. The compiler must blame the file's own line, counted as always
    // one on (line n + 1), or the shared text's, as line 10002 (Mesa names no source string for a
    // semantic error).
    struct Case
    {
        const char* name;
        Shader::Constants constants;
        const char* sharedFault;
        const char* fault;
        const char* reported; // none: it compiles
    };
    const Shader::Constants two = {Shader::constant("Scale", 1.075f), Shader::constant("Stage", 5)};
    const std::vector<Case> cases = {
        {"sound, with constants", two, "", "", nullptr},
        {"fault after the shared text", {}, "", "undeclaredName = 1.0;", "0:5("},
        {"fault after the shared text and the constants", two, "", "undeclaredName = 1.0;", "0:5("},
        {"fault in the shared text", two, "undeclaredName = 1.0;", "", ":10002("},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string name = uniqueName("shared");
        m_Directory.write("shader/" + name + ".glsl",
                          std::string("float twice(float x) { return 2.0f * x; }\nvoid shared() { ") + c.sharedFault +
                              " }\n");
        writeStage(name, Vertex,
                   "#version 400 core\nlayout(location = 0) in vec2 position;\n#include \"" + name +
                       ".glsl\"\nvoid main() { " + c.fault + " gl_Position = vec4(twice(position.x) * Scale, " +
                       "float(Stage), 0.0, 1.0); }\n");

        CoutCapture capture;
        GLuint shader = 0;
        try
        {
            shader = Shader::compileShader(name + Vertex, GL_VERTEX_SHADER, c.constants);
        }
        catch (const std::runtime_error& error)
        {
            EXPECT_STREQ("Shader loading failed", error.what());
        }
        const std::string console = capture.text();
        EXPECT_EQ(console.substr(0, compiling(name, Vertex).size()), compiling(name, Vertex));
        if (c.reported)
            EXPECT_NE(console.find(c.reported), std::string::npos) << console;
        else
            EXPECT_NE(shader, 0u) << console;
        glDeleteShader(shader);
    }

    // Constants are written so that the shader reads back the very value.
    EXPECT_EQ(Shader::constant("Scale", 1.075f), "const float Scale = 1.07500005;");
    EXPECT_EQ(Shader::constant("Whole", 3.0f), "const float Whole = 3.0;");
    EXPECT_EQ(Shader::constant("Stage", 5), "const int Stage = 5;");
}

TEST_F(ShaderGLTest, AMissingSharedTextFailsLikeAMissingStage)
{
    const std::string name = uniqueName("noShared");
    writeStage(name, Vertex, "#version 400 core\n#include \"missing.glsl\"\nvoid main() {}\n");
    CoutCapture capture;
    std::string message = "nothing thrown";
    try
    {
        Shader::getProgram(name, false);
    }
    catch (const std::runtime_error& error)
    {
        message = error.what();
    }
    EXPECT_EQ(message, "Could not open file");
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(Shader::programCache.count(name), 0u);
}

} // namespace
