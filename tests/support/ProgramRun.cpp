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
    m_pProcess = std::make_unique<Process>(TALVEN_PROGRAM, m_Dir.path());
}

std::optional<std::string> ProgramRun::window(std::chrono::milliseconds timeout)
{
    std::optional<std::string> found;
    waitUntil(
        [&] {
            found = findWindow(m_pProcess->pid());
            return found.has_value() || !m_pProcess->running();
        },
        timeout);
    return found;
}
