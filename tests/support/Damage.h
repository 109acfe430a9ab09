#pragma once

#include "ProgramRun.h"

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
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
    // Mode 000; the program then runs as an unprivileged user when the suite runs as root.
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

// The unprivileged user to run as when a test needs a file the program cannot read; none when not root.
std::optional<uid_t> unprivilegedUser();

// The window's size, asked again while the display refuses the question.
std::pair<int, int> settledWindowSize(const std::string& window);

// Any X window of `pid`, mapped or not, with or without a name.
bool hasWindow(pid_t pid);

// The program in a fresh working directory whose inputs can be damaged one at a time.
class FaultRun
{
public:
    explicit FaultRun(const std::optional<std::string>& config);

    // Damages `relative` (below the working directory): shader/ and models/ are mirrored first.
    void damage(const std::string& relative, Damage damage);
    // Starts the program; as an unprivileged user when a damage needs one and the suite runs as root.
    void start();
    Process& process() { return *m_pProcess; }
    const std::filesystem::path& dir() const { return m_Run.dir().path(); }

    // Start-up fails: the report is the last line and one of `lastLines`, the console waits for a
    // character with no window left, and the program exits with 0 once it gets one.
    void expectReport(const std::vector<std::string>& lastLines);
    // Start-up succeeds: the window appears, `whileOpen` runs, Escape ends the program with 0 and no report.
    void expectRuns(const std::function<void(const std::string& window)>& whileOpen = {});

private:
    ProgramRun m_Run;
    std::unique_ptr<Process> m_pProcess;
    bool m_Unreadable = false;
};

// The shader paths of every "Compiling shader: " line of `output`, in order.
std::vector<std::string> compiledShaders(const std::string& output);
