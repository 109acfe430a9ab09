#pragma once

#include <filesystem>
#include <string>

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_Path; }
    // Writes `content` to `relative`, creating its folders.
    std::filesystem::path write(const std::string& relative, const std::string& content) const;

private:
    std::filesystem::path m_Path;
};

// Makes a directory the working directory for its lifetime.
class ScopedWorkingDirectory
{
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& directory);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    std::filesystem::path m_Previous;
};

// The repository root, where shader/ and models/ live.
std::filesystem::path sourceDir();
