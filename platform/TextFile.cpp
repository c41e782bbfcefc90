#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
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
    m_fd = STDIN_FILENO;
    m_ownsFile = false;
}

bool TextFileReader::fill(bool wait)
{
    if (m_fd < 0 || m_eof || failed())
        return false;
    if (m_buffer.empty())
        m_buffer.resize(64 * 1024);
    m_pos = m_end = 0;
    for (;;) {
        pollfd ready { m_fd, POLLIN, 0 };
        // Nothing has arrived: only a waiting read may block on it.
        if (!wait && ::poll(&ready, 1, 0) == 0)
            return false;
        const ssize_t got = ::read(m_fd, m_buffer.data(), m_buffer.size());
        if (got > 0) {
            m_end = static_cast<std::size_t>(got);
            return true;
        }
        if (got == 0) {
            m_eof = true;
            return false;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A descriptor left non-blocking by whoever passed it to us.
            if (!wait)
                return false;
            ::poll(&ready, 1, -1);
        } else if (errno != EINTR) {
            m_error = std::string("Read error: ") + std::strerror(errno);
            return false;
        }
    }
}

TextFileReader::Next TextFileReader::next(std::string& line, bool wait)
{
    for (;;) {
        if (m_pos == m_end && !fill(wait)) {
            if (failed() || (m_eof && !m_inLine))
                return Next::End;
            if (!m_eof)
                return Next::Wait;
            m_inLine = false; // the last line need not be terminated
            if (m_firstLine && m_line == "\xef\xbb\xbf")
                return Next::End; // an empty file with a byte-order mark
            break;
        }
        if (m_afterCr) {
            m_afterCr = false;
            if (m_buffer[m_pos] == '\n') {
                ++m_pos;
                continue;
            }
        }
        const char* begin = m_buffer.data() + m_pos;
        const char* end = m_buffer.data() + m_end;
        const char* stop = begin;
        while (stop != end && *stop != '\r' && *stop != '\n')
            ++stop;
        const std::size_t room = kMaxLineBytes - std::min(kMaxLineBytes, m_line.size());
        m_line.append(begin, std::min(room, static_cast<std::size_t>(stop - begin)));
        m_pos += static_cast<std::size_t>(stop - begin);
        m_inLine = true;
        if (stop != end) {
            // CR LF, a lone CR or a lone LF.
            m_afterCr = m_buffer[m_pos++] == '\r';
            m_inLine = false;
            break;
        }
    }
    if (m_firstLine && m_line.starts_with("\xef\xbb\xbf"))
        m_line.erase(0, 3);
    m_firstLine = false;
    line.swap(m_line);
    m_line.clear();
    return Next::Line;
}

bool TextFileReader::readLine(std::string& line)
{
    return readLineIfReady(line, true) == Next::Line;
}

TextFileReader::Next TextFileReader::readLineIfReady(std::string& line, bool wait)
{
    if (m_peeked) {
        m_peeked = false;
        line.swap(m_peek);
        return Next::Line;
    }
    return next(line, wait);
}

bool TextFileReader::atEnd()
{
    // Only reading the next line tells, with a byte-order mark, a lone CR or a cut line.
    if (!m_peeked)
        m_peeked = next(m_peek, true) == Next::Line;
    return !m_peeked;
}

void TextFileReader::close()
{
    if (m_fd >= 0 && m_ownsFile)
        ::close(m_fd);
    m_fd = -1;
    m_ownsFile = false;
    m_eof = false;
    m_pos = m_end = 0;
    m_line.clear();
    m_inLine = m_afterCr = m_peeked = false;
    m_firstLine = true;
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
