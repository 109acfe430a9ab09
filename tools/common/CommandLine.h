#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

// A tool's command line read a word at a time: an option, then the value it takes, if it takes one.
class CommandLine
{
public:
    explicit CommandLine(const std::vector<std::string>& arguments) : m_Arguments(arguments) {}

    // Moves to the next word past the values taken; false past the last.
    bool next()
    {
        m_Word = ++m_Index;
        return m_Word < m_Arguments.size();
    }
    const std::string& word() const { return m_Arguments[m_Word]; }
    // The next word, a value of the option at hand (which may take several); throws std::invalid_argument
    // naming the option when there is none.
    const std::string& value()
    {
        if (m_Index + 1 >= m_Arguments.size())
            throw std::invalid_argument(word() + " needs a value");
        return m_Arguments[++m_Index];
    }

private:
    const std::vector<std::string>& m_Arguments;
    // Before the first word: the first next() wraps it round to 0.
    std::size_t m_Index = static_cast<std::size_t>(-1);
    std::size_t m_Word = 0;
};
