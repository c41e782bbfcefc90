#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace qv {

namespace {
std::string describe(const char* what, const std::string& path, int error)
{
    return std::string(what) + " \"" + path + "\": " + std::strerror(error);
}
} // namespace

TextFileReader::~TextFileReader()
{
    close();
}

bool TextFileReader::open(const std::string& path)
{
    close();
    m_error.clear();
    if (path.empty()) {
        m_error = "No file name given";
        return false;
    }
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) {
        m_error = describe("Cannot open", path, errno);
        return false;
    }
    m_ownsFile = true;
    return true;
}

void TextFileReader::openStandardInput()
{
    close();
    m_error.clear();
    m_file = stdin;
    m_ownsFile = false;
}

bool TextFileReader::fill()
{
    if (m_pos < m_end)
        return true;
    if (!m_file)
        return false;
    if (m_buffer.empty())
        m_buffer.resize(64 * 1024);
    m_pos = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    if (m_end == 0 && std::ferror(m_file) && m_error.empty())
        m_error = std::string("Read error: ") + std::strerror(errno);
    return m_end > 0;
}

bool TextFileReader::readLine(std::string& line)
{
    if (!m_file || failed() || !fill())
        return false;
    line.clear();
    for (;;) {
        const char* begin = m_buffer.data() + m_pos;
        const char* end = m_buffer.data() + m_end;
        const char* stop = begin;
        while (stop != end && *stop != '\r' && *stop != '\n')
            ++stop;
        const std::size_t room = kMaxLineBytes - std::min(kMaxLineBytes, line.size());
        line.append(begin, std::min(room, static_cast<std::size_t>(stop - begin)));
        m_pos += static_cast<std::size_t>(stop - begin);
        if (stop != end)
            break;
        if (!fill())
            return !failed(); // the last line need not be terminated
    }
    // CR LF, a lone CR or a lone LF.
    if (m_buffer[m_pos++] == '\r' && fill() && m_buffer[m_pos] == '\n')
        ++m_pos;
    return !failed();
}

bool TextFileReader::atEnd()
{
    return !m_file || failed() || !fill();
}

void TextFileReader::close()
{
    if (m_file && m_ownsFile)
        std::fclose(m_file);
    m_file = nullptr;
    m_pos = m_end = 0;
}

TextFileWriter::~TextFileWriter()
{
    close();
}

bool TextFileWriter::open(const std::string& path)
{
    close();
    m_error.clear();
    if (path.empty()) {
        m_error = "No file name given";
        return false;
    }
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file) {
        m_error = describe("Cannot write", path, errno);
        return false;
    }
    return true;
}

bool TextFileWriter::write(const std::string& bytes)
{
    if (!m_file) {
        if (m_error.empty())
            m_error = "File is not open";
        return false;
    }
    if (!m_error.empty())
        return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        m_error = std::string("Write error: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool TextFileWriter::writeLine(const std::string& line)
{
    return write(line) && write(std::string("\r\n", 2));
}

bool TextFileWriter::close()
{
    if (!m_file)
        return m_error.empty();
    // Buffered bytes reach the disk only here, so a full disk shows up at the flush or the close.
    if (std::fflush(m_file) != 0 && m_error.empty())
        m_error = std::string("Write error: ") + std::strerror(errno);
    if (std::fclose(m_file) != 0 && m_error.empty())
        m_error = std::string("Write error: ") + std::strerror(errno);
    m_file = nullptr;
    return m_error.empty();
}

std::string programDirectory()
{
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size())
        return ".";
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return buffer.substr(0, slash);
}

} // namespace qv
