#include "Shader.h"

#include <algorithm>
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
}

GLuint getProgram(const std::string& name, bool tessellation)
{
    const auto cached = programCache.find(name);
    if (cached != programCache.end())
        return cached->second;
    const GLuint program = loadProgram(name, tessellation);
    programCache.emplace(name, program);
    return program;
}

GLuint loadProgram(const std::string& name, bool tessellation)
{
    // Each stage is compiled and checked before the next file is read: the first failure ends the build.
    const GLuint vertex = compileShader(name + ".vertexShader.txt", GL_VERTEX_SHADER);
    GLuint control = 0;
    GLuint evaluation = 0;
    if (tessellation)
    {
        control = compileShader(name + ".tessCont.txt", GL_TESS_CONTROL_SHADER);
        evaluation = compileShader(name + ".tessEval.txt", GL_TESS_EVALUATION_SHADER);
    }
    const GLuint fragment = compileShader(name + ".fragmentShader.txt", GL_FRAGMENT_SHADER);

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

GLuint compileShader(const std::string& fileName, GLenum type)
{
    const std::string path = ShaderDirectory + fileName;
    const GLuint shader = glCreateShader(type);
    const std::string text = readFile(path);
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
