#pragma once

#include "Damage.h"
#include "ProgramRun.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

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
};
