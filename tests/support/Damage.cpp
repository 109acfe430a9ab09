#include "Damage.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace
{
std::string readAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeAll(const fs::path& file, const std::string& content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}
} // namespace

std::string damageName(Damage damage)
{
    switch (damage)
    {
    case Damage::Missing: return "Missing";
    case Damage::Empty: return "Empty";
    case Damage::OneEmptyLine: return "OneEmptyLine";
    case Damage::Truncated: return "Truncated";
    case Damage::CutBeforeLastBrace: return "CutBeforeLastBrace";
    case Damage::RandomBytes: return "RandomBytes";
    case Damage::PngHeaderNoise: return "PngHeaderNoise";
    case Damage::ObjOnlyVertices: return "ObjOnlyVertices";
    case Damage::ObjOnlyLine: return "ObjOnlyLine";
    case Damage::ObjBadIndex: return "ObjBadIndex";
    case Damage::NotCompiling: return "NotCompiling";
    case Damage::NotLinking: return "NotLinking";
    case Damage::Unreadable: return "Unreadable";
    case Damage::Directory: return "Directory";
    }
    return "Unknown";
}

std::string noise(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(1, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(generator));
    return bytes;
}

void applyDamage(const fs::path& file, Damage damage)
{
    const bool keepsContent =
        damage == Damage::Truncated || damage == Damage::CutBeforeLastBrace || damage == Damage::Unreadable;
    const std::string original = keepsContent ? readAll(file) : std::string();
    // Removing first turns a link into a file of its own: writing through it would spoil the repository.
    fs::remove_all(file);
    switch (damage)
    {
    case Damage::Missing: break;
    case Damage::Empty: writeAll(file, ""); break;
    case Damage::OneEmptyLine: writeAll(file, "\n"); break;
    case Damage::Truncated:
    {
        // Whole lines only, so a text file's outcome does not hang on where a number happens to be cut.
        const std::size_t half = original.size() / 2;
        const std::size_t lineEnd = original.rfind('\n', half);
        writeAll(file, original.substr(0, lineEnd == std::string::npos || half == 0 ? half : lineEnd + 1));
        break;
    }
    case Damage::CutBeforeLastBrace: writeAll(file, original.substr(0, original.rfind('}'))); break;
    case Damage::RandomBytes: writeAll(file, noise(4096, 7)); break;
    case Damage::PngHeaderNoise: writeAll(file, std::string("\x89PNG\r\n\x1a\n", 8) + noise(4096, 11)); break;
    case Damage::ObjOnlyVertices: writeAll(file, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"); break;
    case Damage::ObjOnlyLine: writeAll(file, "v 0 0 0\nv 1 0 0\nl 1 2\n"); break;
    case Damage::ObjBadIndex: writeAll(file, "v 0 0 0\nf 1 2 3\n"); break;
    case Damage::NotCompiling: writeAll(file, "#version 400 core\nvoid main()\n{\n    this is not GLSL;\n}\n"); break;
    case Damage::NotLinking: writeAll(file, "#version 400 core\nvoid notMain()\n{\n}\n"); break;
    case Damage::Unreadable:
        writeAll(file, original);
        fs::permissions(file, fs::perms::none);
        break;
    case Damage::Directory: fs::create_directory(file); break;
    }
}

void mirrorAsLinks(const fs::path& source, const fs::path& destination)
{
    fs::create_directories(destination);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(source))
    {
        const fs::path target = destination / fs::relative(entry.path(), source);
        if (entry.is_directory())
            fs::create_directories(target);
        else
            fs::create_symlink(entry.path(), target);
    }
}

Unprivileged::Unprivileged()
{
    if (geteuid() != 0)
        return;
    const passwd* nobody = getpwnam("nobody");
    if (!nobody)
        throw std::runtime_error("running as root without the user \"nobody\", so no file can be unreadable");
    // The group first: once the user is dropped, changing the group is no longer allowed.
    if (setegid(nobody->pw_gid) != 0 || seteuid(nobody->pw_uid) != 0)
        throw std::runtime_error("cannot take on the unprivileged user");
    m_Dropped = true;
}

Unprivileged::~Unprivileged()
{
    if (!m_Dropped)
        return;
    if (seteuid(0) != 0 || setegid(0) != 0)
        std::abort();
    // Changing the user made the process undumpable, which would keep the leak checker out at exit.
    prctl(PR_SET_DUMPABLE, 1);
}

std::vector<std::string> compiledShaders(const std::string& output)
{
    const std::string prefix = "Compiling shader: ";
    std::vector<std::string> paths;
    for (const std::string& line : lines(output))
        if (startsWith(line, prefix))
            paths.push_back(line.substr(prefix.size()));
    return paths;
}

std::size_t linkedPrograms(const std::string& output)
{
    std::size_t count = 0;
    for (const std::string& line : lines(output))
        if (startsWith(line, "Linking program: "))
            ++count;
    return count;
}

void expectOnlyBuildOutput(const std::string& text)
{
    const std::string linking = "Linking program: ";
    const std::vector<std::string> all = lines(text);
    for (std::size_t i = 0; i < all.size(); ++i)
    {
        const std::string& line = all[i];
        const bool linkingLine = startsWith(line, linking) && line.size() > linking.size() &&
                                 line.find_first_not_of("0123456789", linking.size()) == std::string::npos;
        if (startsWith(line, "Compiling shader: shader/") || linkingLine)
            continue;
        if (line == "result != GL_TRUE" && i > 0 && startsWith(all[i - 1], "Compiling shader: "))
            return;
        ADD_FAILURE() << "unexpected console line " << i << ": \"" << line << "\"\nin:\n" << text;
        return;
    }
}
