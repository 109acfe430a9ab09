#pragma once

#include <GL/glew.h>

#include <map>
#include <string>

namespace Shader
{

// Linked programs by base name; a name is built once per process.
extern std::map<std::string, GLuint> programCache;

// The program of `name`, built from "shader/<name>.*.txt" on first request.
GLuint getProgram(const std::string& name, bool tessellation);
// Builds a new program without touching the cache.
GLuint loadProgram(const std::string& name, bool tessellation);
GLuint compileShader(const std::string& fileName, GLenum type);
// The file's lines, each preceded by a line feed; empty when the file cannot be read.
std::string readFile(const std::string& path);
void checkCompileStatus(GLuint shader);
void checkLinkStatus(GLuint program);

} // namespace Shader
