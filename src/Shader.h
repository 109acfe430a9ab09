#pragma once

#include <GL/glew.h>

#include <map>
#include <string>
#include <vector>

namespace Shader
{

// Linked programs by base name; a name is built once per process.
extern std::map<std::string, GLuint> programCache;

// Values the C++ owns that a program's stages compute with, each a GLSL declaration such as
// "const int OverSceneStage = 5;" (see `constant`): written into every stage after its version line, so
// that no number is typed twice. They are fixed for a base name, which the cache alone keys.
using Constants = std::vector<std::string>;
std::string constant(const std::string& name, int value);
// Written so that the shader reads back the very float.
std::string constant(const std::string& name, float value);

// The program of `name`, built from "shader/<name>.*.txt" on first request.
GLuint getProgram(const std::string& name, bool tessellation, const Constants& constants = {});
// Builds a new program without touching the cache.
GLuint loadProgram(const std::string& name, bool tessellation, const Constants& constants = {});
GLuint compileShader(const std::string& fileName, GLenum type, const Constants& constants = {});
// The file's lines, each preceded by a line feed; empty when the file cannot be read.
std::string readFile(const std::string& path);
// What the compiler gets of the stage at `path`: its text with `constants` after its version line, and
// each line `#include "<file>"` replaced by the text of "shader/<file>", which the arithmetic shared with
// the tests lives in. Compiler messages keep the stage file's own line numbers; line n of the k-th
// included text is line k * 10000 + n of source string k. Empty when the stage or an included file
// cannot be read.
std::string stageText(const std::string& path, const Constants& constants);
void checkCompileStatus(GLuint shader);
void checkLinkStatus(GLuint program);

} // namespace Shader
