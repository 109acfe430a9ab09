#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Ways to spoil one input file, each aimed at a different path through the file's reader.
enum class Damage
{
    Missing,
    Empty,
    // One line holding nothing: the shader reader hands the compiler a lone line feed.
    OneEmptyLine,
    // The first half of the file, up to its last line feed there.
    Truncated,
    // Source text cut off just before its last closing brace, the end of main.
    CutBeforeLastBrace,
    // Noise without NUL bytes, so a shader compiler sees all of it.
    RandomBytes,
    // The eight-byte PNG signature followed by noise.
    PngHeaderNoise,
    ObjOnlyVertices,
    ObjOnlyLine,
    // A face that names vertices the file lacks.
    ObjBadIndex,
    // GLSL with a syntax error.
    NotCompiling,
    // GLSL that compiles but has no main, so the program cannot link.
    NotLinking,
    // Mode 000: read under `Unprivileged` when the tests run as root, who reads it all the same.
    Unreadable,
    Directory,
};

std::string damageName(Damage damage);

// Deterministic bytes in 1..255.
std::string noise(std::size_t size, unsigned seed);

// Replaces `file` by its damaged form. A link is replaced by a file of its own, so the target stays intact.
void applyDamage(const std::filesystem::path& file, Damage damage);

// Recreates the tree `source` at `destination` with every file a link to its original.
void mirrorAsLinks(const std::filesystem::path& source, const std::filesystem::path& destination);

// While it lives, files are opened with the permissions of the user "nobody" when the tests run as
// root, so that a file of mode 000 is unreadable as it is for any other user; does nothing otherwise.
class Unprivileged
{
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    bool m_Dropped = false;
};

// The shader paths of every "Compiling shader: " line of `output`, in order.
std::vector<std::string> compiledShaders(const std::string& output);

// The number of "Linking program: " lines of `output`.
std::size_t linkedPrograms(const std::string& output);

// Fails the test unless `text` is only what the shader build prints: its progress lines, and after
// "result != GL_TRUE" the compiler's log, which runs up to the report.
void expectOnlyBuildOutput(const std::string& text);
