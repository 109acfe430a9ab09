#include "ProgramRun.h"

namespace fs = std::filesystem;

const std::string TitlePrefix = "Talvenmorquiddle. Control: Zoom ('+','-'), Up/Down, Select object ('S', 'E', 'M'), "
                                "Pause (Space), Animation ('A'), FPS: ";

ProgramRun::ProgramRun(const std::optional<std::string>& config, bool linkAssets)
{
    if (config)
        m_Dir.write("Talvenmorquiddle.ini", *config);
    if (linkAssets)
    {
        fs::create_directory_symlink(sourceDir() / "shader", m_Dir.path() / "shader");
        fs::create_directory_symlink(sourceDir() / "models", m_Dir.path() / "models");
    }
}

void ProgramRun::copyAssets(const std::string& folder)
{
    const fs::path link = m_Dir.path() / folder;
    fs::remove(link);
    fs::copy(sourceDir() / folder, link, fs::copy_options::recursive);
}

void ProgramRun::start()
{
    // Xvfb refuses a connection that arrives together with another one now and then, and the program
    // rightly reports the failed windowing start-up as "Exception" alone. No test here expects that:
    // such a start is the display's fault and is made again, a bounded number of times.
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        m_pProcess = std::make_unique<Process>(TALVEN_PROGRAM, m_Dir.path());
        Process& program = *m_pProcess;
        waitUntil([&] { return program.output().find('\n') != std::string::npos || !program.running(); },
                  std::chrono::seconds(3));
        if (program.output() != "Exception\n")
            return;
        program.writeInput("\n");
        program.waitForExit(std::chrono::seconds(10));
    }
}

std::optional<std::string> ProgramRun::window(std::chrono::milliseconds timeout)
{
    std::optional<std::string> found;
    int polls = 0;
    waitUntil(
        [&] {
            // Looked for sparingly, so the search does not collide with the program's own connection.
            if (++polls % 5 != 0)
                return !m_pProcess->running();
            found = findWindow(m_pProcess->pid());
            return found.has_value() || !m_pProcess->running();
        },
        timeout);
    return found;
}
