#include "platform/TextFile.h"

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

int TextFileReader::nextByte()
{
    if (!m_file)
        return EOF;
    const int c = getc_unlocked(m_file);
    if (c == EOF && std::ferror(m_file) && m_error.empty())
        m_error = std::string("Read error: ") + std::strerror(errno);
    return c;
}

bool TextFileReader::readLine(std::string& line)
{
    if (!m_file || failed())
        return false;
    int c = nextByte();
    if (c == EOF)
        return false;
    line.clear();
    while (c != EOF && c != '\r' && c != '\n') {
        if (line.size() < kMaxLineBytes)
            line.push_back(static_cast<char>(c));
        c = nextByte();
    }
    if (c == '\r') {
        const int after = nextByte();
        if (after != '\n' && after != EOF)
            std::ungetc(after, m_file);
    }
    return !failed();
}

bool TextFileReader::atEnd()
{
    if (!m_file || failed())
        return true;
    const int c = nextByte();
    if (c == EOF)
        return true;
    std::ungetc(c, m_file);
    return false;
}

void TextFileReader::close()
{
    if (m_file && m_ownsFile)
        std::fclose(m_file);
    m_file = nullptr;
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
