#pragma once

#include <stdexcept>
#include <string>

namespace build {

/// A bad input or a failed write: names the file, and the line when there is one. what() is
/// the whole message "FILE:LINE: TEXT" (or "FILE: TEXT"), the way compilers report.
class BuildError : public std::runtime_error
{
public:
    BuildError(const std::string& file, const std::string& text) : BuildError(file, 0, text) {}
    BuildError(const std::string& file, int line, const std::string& text)
        : std::runtime_error(compose(file, line, text)), m_file(file), m_line(line), m_text(text)
    {
    }

    const std::string& file() const { return m_file; }
    int line() const { return m_line; }
    const std::string& text() const { return m_text; }

private:
    static std::string compose(const std::string& file, int line, const std::string& text)
    {
        std::string where = file.empty() ? std::string("pelterra-build") : file;
        if (line > 0)
            where += ":" + std::to_string(line);
        return where + ": " + text;
    }

    std::string m_file;
    int m_line;
    std::string m_text;
};

} // namespace build
