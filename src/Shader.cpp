#include "Shader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <vector>

namespace Shader
{

std::map<std::string, GLuint> programCache;

namespace
{
const char* const ShaderDirectory = "shader/";
const std::string IncludeStart = "#include \"";
constexpr int IncludedLineStart = 10000;

// Whether the line, past its leading blanks, starts with `prefix`.
bool startsWith(const std::string& line, const std::string& prefix)
{
    const std::size_t start = line.find_first_not_of(" \t");
    return start != std::string::npos && line.compare(start, prefix.size(), prefix) == 0;
}

// The file named by an `#include "<file>"` line; empty for any other line.
std::string includedFile(const std::string& line)
{
    if (!startsWith(line, IncludeStart))
        return {};
    const std::size_t nameStart = line.find(IncludeStart) + IncludeStart.size();
    const std::size_t nameEnd = line.find('"', nameStart);
    return nameEnd == std::string::npos ? std::string() : line.substr(nameStart, nameEnd - nameStart);
}
} // namespace

std::string constant(const std::string& name, int value)
{
    return "const int " + name + " = " + std::to_string(value) + ";";
}

std::string constant(const std::string& name, float value)
{
    // Nine significant digits give back every float; GLSL needs a point or an exponent in a float.
    char digits[32];
    std::snprintf(digits, sizeof(digits), "%.9g", static_cast<double>(value));
    std::string number = digits;
    if (number.find_first_of(".e") == std::string::npos)
        number += ".0";
    return "const float " + name + " = " + number + ";";
}

GLuint getProgram(const std::string& name, bool tessellation, const Constants& constants)
{
    const auto cached = programCache.find(name);
    if (cached != programCache.end())
        return cached->second;
    const GLuint program = loadProgram(name, tessellation, constants);
    programCache.emplace(name, program);
    return program;
}

GLuint loadProgram(const std::string& name, bool tessellation, const Constants& constants)
{
    // Each stage is compiled and checked before the next file is read: the first failure ends the build.
    const GLuint vertex = compileShader(name + ".vertexShader.txt", GL_VERTEX_SHADER, constants);
    GLuint control = 0;
    GLuint evaluation = 0;
    if (tessellation)
    {
        control = compileShader(name + ".tessCont.txt", GL_TESS_CONTROL_SHADER, constants);
        evaluation = compileShader(name + ".tessEval.txt", GL_TESS_EVALUATION_SHADER, constants);
    }
    const GLuint fragment = compileShader(name + ".fragmentShader.txt", GL_FRAGMENT_SHADER, constants);

    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    if (tessellation)
    {
        glAttachShader(program, control);
        glAttachShader(program, evaluation);
    }
    glAttachShader(program, fragment);

    std::cout << "Linking program: " << program << "\n";
    glLinkProgram(program);
    checkLinkStatus(program);

    // Still attached, so the program keeps them alive.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    if (tessellation)
    {
        glDeleteShader(control);
        glDeleteShader(evaluation);
    }
    return program;
}

GLuint compileShader(const std::string& fileName, GLenum type, const Constants& constants)
{
    const std::string path = ShaderDirectory + fileName;
    const GLuint shader = glCreateShader(type);
    const std::string text = stageText(path, constants);
    if (text.empty())
        throw std::runtime_error("Could not open file");

    std::cout << "Compiling shader: " << path << "\n";
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    checkCompileStatus(shader);
    return shader;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path);
    std::string text;
    std::string line;
    // A line feed before every line: line n of the file is line n + 1 of the compiled text.
    while (std::getline(file, line))
        text += "\n" + line;
    return text;
}

std::string stageText(const std::string& path, const Constants& constants)
{
    const std::string file = readFile(path);
    if (file.empty())
        return {};

    // The lines as the compiler numbers them from 1: the first is the empty one before the file's first
    // line, so file line n is line n + 1; `#line n` numbers the line after it n.
    std::vector<std::string> lines;
    for (std::size_t start = 0;;)
    {
        const std::size_t end = file.find('\n', start);
        lines.push_back(file.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }

    std::string declarations;
    for (const std::string& declaration : constants)
        declarations += "\n" + declaration;
    bool declared = constants.empty();
    int included = 0;
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        const std::string nextLine = std::to_string(i + 2);
        if (i > 0)
            text += '\n';
        const std::string shared = includedFile(lines[i]);
        if (shared.empty())
        {
            text += lines[i];
        }
        else
        {
            const std::string sharedText = readFile(ShaderDirectory + shared);
            if (sharedText.empty())
                return {};
            // Line n of the k-th included text is numbered k * 10000 + n: unmistakable where a driver
            // reports the line but not the source string.
            ++included;
            text += "#line " + std::to_string(included * IncludedLineStart + 1) + " " + std::to_string(included) +
                    sharedText + "\n#line " + nextLine + " 0";
        }
        // GLSL wants its version line before anything else; a text without one gets no constants.
        if (!declared && startsWith(lines[i], "#version"))
        {
            text += declarations + "\n#line " + nextLine;
            declared = true;
        }
    }
    return text;
}

void checkCompileStatus(GLuint shader)
{
    GLint status = GL_FALSE;
    GLint length = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (status == GL_TRUE)
        return;

    std::vector<char> log(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    std::cout << "result != GL_TRUE" << std::endl;
    for (GLint i = 0; i < length && log[static_cast<std::size_t>(i)] != '\0'; ++i)
        std::cout << log[static_cast<std::size_t>(i)];
    throw std::runtime_error("Shader loading failed");
}

void checkLinkStatus(GLuint program)
{
    GLint status = GL_FALSE;
    GLint length = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (status == GL_TRUE)
        return;

    // Fetched so a debugger shows it; the console report is the message alone.
    std::vector<char> log(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    glGetProgramInfoLog(program, length, nullptr, log.data());
    throw std::runtime_error("Shader Linking Error");
}

} // namespace Shader
