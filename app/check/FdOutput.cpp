#include "app/check/FdOutput.h"

#include <cerrno>
#include <unistd.h>

namespace qv {

FdOutput::FdOutput(int fd)
    : m_fd(fd)
    , m_buffer(kBufferBytes)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

FdOutput::~FdOutput()
{
    beforeWrite = afterWrite = nullptr;
    onError = nullptr;
    writeOut();
}

void FdOutput::writeOut()
{
    const char* at = pbase();
    const char* end = pptr();
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    if (at == end || m_error != 0)
        return;
    if (beforeWrite)
        beforeWrite();
    while (at < end) {
        const ssize_t wrote = ::write(m_fd, at, static_cast<std::size_t>(end - at));
        if (wrote >= 0) {
            at += wrote;
        } else if (errno != EINTR) {
            m_error = errno;
            break;
        }
    }
    if (afterWrite)
        afterWrite();
    if (m_error != 0 && onError)
        onError(m_error);
}

FdOutput::int_type FdOutput::overflow(int_type c)
{
    writeOut();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

std::streamsize FdOutput::xsputn(const char* data, std::streamsize size)
{
    std::streamsize done = 0;
    while (done < size) {
        if (pptr() == epptr())
            writeOut();
        const std::streamsize room = std::min<std::streamsize>(epptr() - pptr(), size - done);
        traits_type::copy(pptr(), data + done, static_cast<std::size_t>(room));
        pbump(static_cast<int>(room));
        done += room;
    }
    return size;
}

int FdOutput::sync()
{
    writeOut();
    return m_error == 0 ? 0 : -1;
}

} // namespace qv
