#include "TempDir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "talven-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_Path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Restore permissions a test may have taken away, so removal succeeds. Links into the
    // repository (shader/, models/) are left alone: their targets are not ours to change.
    for (auto it = std::filesystem::recursive_directory_iterator(m_Path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
    {
        if (it->is_symlink(ignored))
        {
            it.disable_recursion_pending();
            continue;
        }
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                     ignored);
    }
    std::filesystem::remove_all(m_Path, ignored);
}

std::filesystem::path TempDir::write(const std::string& relative, const std::string& content) const
{
    const std::filesystem::path file = m_Path / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    return file;
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::filesystem::path& directory)
    : m_Previous(std::filesystem::current_path())
{
    std::filesystem::current_path(directory);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(m_Previous, ignored);
}

std::filesystem::path sourceDir()
{
    return TALVEN_SOURCE_DIR;
}
