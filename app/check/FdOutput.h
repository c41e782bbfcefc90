#pragma once

#include <functional>
#include <streambuf>
#include <string>
#include <vector>

namespace qv {

// A stream buffer over a file descriptor that notices failed writes: the first error (a closed
// pipe, a full disk) is kept, reported once through onError, and everything after it is dropped,
// so a caller can stop instead of writing into the void.
class FdOutput final : public std::streambuf {
public:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    explicit FdOutput(int fd);
    ~FdOutput() override;
    FdOutput(const FdOutput&) = delete;
    FdOutput& operator=(const FdOutput&) = delete;

    // Around each write of buffered bytes, for a progress line sharing the terminal.
    std::function<void()> beforeWrite;
    std::function<void()> afterWrite;
    std::function<void(int error)> onError;

    int error() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    void writeOut();

    int m_fd;
    int m_error = 0;
    std::vector<char> m_buffer;
};

} // namespace qv
