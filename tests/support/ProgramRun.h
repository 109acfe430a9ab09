#pragma once

#include "Process.h"
#include "TempDir.h"

#include <memory>
#include <optional>
#include <string>

// The built program started in a fresh working directory that links the repository's shader/ and
// models/ and holds the given configuration (none when `config` is empty).
class ProgramRun
{
public:
    explicit ProgramRun(const std::optional<std::string>& config, bool linkAssets = true);

    // Starts the program; call after arranging the working directory.
    void start();
    const TempDir& dir() const { return m_Dir; }
    Process& process() { return *m_pProcess; }
    // The program's window, waiting up to `timeout` for it to appear.
    std::optional<std::string> window(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Copies a folder of the repository instead of linking it, so a test can damage its files.
    void copyAssets(const std::string& folder);

private:
    TempDir m_Dir;
    std::unique_ptr<Process> m_pProcess;
};

// The title the window shows before its first frame-rate update.
extern const std::string TitlePrefix;
