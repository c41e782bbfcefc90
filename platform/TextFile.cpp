#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
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
    m_name = path;
    return true;
}

void TextFileReader::openStandardInput()
{
    close();
    m_error.clear();
    m_fd = STDIN_FILENO;
    m_ownsFile = false;
    m_name = "standard input";
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
            break;
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
    if (!m_headChecked) {
        m_headChecked = true;
        if (const char* encoding = utf16Encoding(std::string_view(m_buffer.data(), m_end))) {
            m_error = utf16Refusal(m_ownsFile ? "\"" + m_name + "\"" : m_name, encoding);
            m_end = 0;
            return false;
        }
    }
    return true;
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
    m_headChecked = false;
}

namespace {
TextFileWriter::StepHook& stepHook()
{
    static TextFileWriter::StepHook hook;
    return hook;
}

// 0, or the errno a test makes this step fail with.
int injected(TextFileWriter::Step step)
{
    return stepHook() ? stepHook()(step) : 0;
}

std::string baseName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symlinks to the file they name; a dangling link gives the file it would name. Empty for
// a descriptor's link (/dev/stdout leads to /proc/self/fd/1): it names an open file, not a path.
std::string followLinks(std::string path, int& error)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        struct statfs where {};
        if (::statfs(folderOf(path).c_str(), &where) == 0 && where.f_type == PROC_SUPER_MAGIC)
            return {};
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0) {
            error = errno;
            return path;
        }
        target.resize(static_cast<std::size_t>(length));
        path = target.front() == '/' ? target : folderOf(path) + '/' + target;
    }
    error = ELOOP;
    return path;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        if (const int error = injected(TextFileWriter::Step::Write)) {
            errno = error;
            return false;
        }
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false; // a write of 0 bytes: errno says why
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Extended attributes (ACLs, labels) of the old file onto the new one, as far as the file system and
// the process's rights allow: a name the new file cannot take is skipped.
void copyExtendedAttributes(const std::string& from, int to)
{
    ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
    if (size <= 0)
        return;
    std::string names(static_cast<std::size_t>(size), '\0');
    size = ::listxattr(from.c_str(), names.data(), names.size());
    if (size <= 0)
        return;
    names.resize(static_cast<std::size_t>(size));
    std::string value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* name = names.c_str() + at;
        const ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
        if (length < 0)
            continue;
        value.resize(static_cast<std::size_t>(length));
        if (::getxattr(from.c_str(), name, value.data(), value.size()) == length)
            ::fsetxattr(to, name, value.data(), value.size(), 0);
    }
}

std::string randomSuffix()
{
    // Drawn afresh each time: a generator's state would be shared by a forked copy of the process.
    std::random_device random;
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(8, 'x');
    for (char& c : suffix)
        c = kDigits[random() % (sizeof kDigits - 1)];
    return suffix;
}
} // namespace

void TextFileWriter::setStepHookForTesting(StepHook hook)
{
    stepHook() = std::move(hook);
}

TextFileWriter::~TextFileWriter()
{
    discard();
}

bool TextFileWriter::fail(int error, const std::string& detail)
{
    if (m_error.empty()) {
        m_reason = detail.empty() ? std::strerror(error) : detail;
        m_error = "Cannot save \"" + m_path + "\": " + m_reason;
    }
    return false;
}

bool TextFileWriter::open(const std::string& path)
{
    discard();
    m_error.clear();
    m_reason.clear();
    m_path = path;
    if (path.empty()) {
        m_error = m_reason = "No file name given";
        return false;
    }
    struct stat old {};
    m_hadOld = ::stat(path.c_str(), &old) == 0;
    if (m_hadOld && S_ISDIR(old.st_mode))
        return fail(EISDIR);
    m_oldMode = old.st_mode & 07777;
    m_oldUid = old.st_uid;
    m_oldGid = old.st_gid;
    int error = 0;
    m_target = followLinks(path, error);
    if (error)
        return fail(error);
    if (m_target.empty() || (m_hadOld && !S_ISREG(old.st_mode))) {
        m_direct = true;
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
        return m_fd >= 0 || fail(errno);
    }

    const std::string folder = folderOf(m_target);
    if ((error = injected(Step::Create)) == 0) {
        m_fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        error = m_fd < 0 ? errno : 0;
    }
    if (error == EOPNOTSUPP || error == EISDIR || error == EINVAL) {
        // No unnamed files on this file system: a hidden file with a name no other save picks.
        for (int tries = 0; m_fd < 0 && tries < 100; ++tries) {
            m_tempPath = folder + "/." + baseName(m_target) + '.' + randomSuffix();
            m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            error = m_fd < 0 ? errno : 0;
            if (error != EEXIST)
                break;
        }
        if (m_fd < 0)
            m_tempPath.clear();
    }
    if (error == EACCES || error == EPERM || error == EROFS) {
        // Writing in place would lose the old file to a failure half way: refuse instead.
        return fail(error,
            "its folder cannot take a new file (" + std::string(std::strerror(error)) + ")"
                + (m_hadOld ? "; the file was left as it was" : ""));
    }
    return error == 0 || fail(error);
}

bool TextFileWriter::flush()
{
    if (!m_buffer.empty() && !writeAll(m_fd, m_buffer.data(), m_buffer.size()))
        return fail(errno);
    m_buffer.clear();
    return true;
}

bool TextFileWriter::write(const std::string& bytes)
{
    if (m_fd < 0) {
        if (m_error.empty())
            m_error = m_reason = "File is not open";
        return false;
    }
    if (!m_error.empty())
        return false;
    m_buffer += bytes;
    return m_buffer.size() < 64 * 1024 || flush();
}

bool TextFileWriter::writeLine(const std::string& line)
{
    return write(line) && write(std::string("\r\n", 2));
}

bool TextFileWriter::replace()
{
    if (m_hadOld) {
        // The owner first: a change of owner clears the set-user-ID bits the mode then restores.
        // Without the right to give the file away, the group alone may still be kept; failing both
        // leaves the saver's own, as any new file would have.
        if (::fchown(m_fd, m_oldUid, m_oldGid) != 0 && ::fchown(m_fd, static_cast<uid_t>(-1), m_oldGid) != 0) {
        }
        ::fchmod(m_fd, m_oldMode);
        copyExtendedAttributes(m_target, m_fd);
    } else if (!m_tempPath.empty()) {
        // The named stand-in was made private; a new file gets the mode an ordinary create gives.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
    int error = injected(Step::Sync);
    if (error || ::fsync(m_fd) != 0)
        return fail(error ? error : errno);

    if ((error = injected(Step::Rename)) != 0)
        return fail(error);
    const std::string folder = folderOf(m_target);
    if (m_tempPath.empty()) {
        // An unnamed file gets a name beside the old one, which the rename then moves over it.
        const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
        for (int tries = 0; m_tempPath.empty() && tries < 100; ++tries) {
            std::string name = folder + "/." + baseName(m_target) + '.' + randomSuffix();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_tempPath = std::move(name);
            else if (errno != EEXIST)
                return fail(errno);
        }
        if (m_tempPath.empty())
            return fail(EEXIST);
    }
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0)
        return fail(errno);
    m_tempPath.clear();
    // The rename itself reaches the disk with the folder.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const bool synced = ::fsync(folderFd) == 0 || errno == EINVAL;
        error = errno;
        ::close(folderFd);
        if (!synced)
            return fail(error, "the file was replaced, but its folder could not be synced to disk ("
                    + std::string(std::strerror(error)) + ")");
    }
    return true;
}

bool TextFileWriter::close()
{
    if (m_fd < 0)
        return m_error.empty();
    bool ok = m_error.empty() && flush();
    if (ok && !m_direct)
        ok = replace();
    if (m_fd >= 0 && ::close(m_fd) != 0 && ok)
        ok = fail(errno); // a device's last write error shows here
    m_fd = -1;
    discard();
    return ok;
}

void TextFileWriter::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
    m_buffer.clear();
    m_direct = false;
}

const char* utf16Encoding(std::string_view head)
{
    if (head.size() >= 2 && head[0] == '\xFF' && head[1] == '\xFE')
        return "UTF-16LE";
    if (head.size() >= 2 && head[0] == '\xFE' && head[1] == '\xFF')
        return "UTF-16BE";
    // Without a byte-order mark: every other byte NUL, the others not all NUL, over the first lines.
    const std::size_t size = std::min<std::size_t>(head.size(), 512) & ~std::size_t(1);
    if (size < 4)
        return nullptr;
    bool evenNul = true, oddNul = true, evenText = false, oddText = false;
    for (std::size_t i = 0; i < size; i += 2) {
        evenNul = evenNul && head[i] == '\0';
        oddNul = oddNul && head[i + 1] == '\0';
        evenText = evenText || head[i] != '\0';
        oddText = oddText || head[i + 1] != '\0';
    }
    if (oddNul && evenText)
        return "UTF-16LE";
    if (evenNul && oddText)
        return "UTF-16BE";
    return nullptr;
}

std::string utf16Refusal(const std::string& subject, const char* encoding)
{
    return subject + " is " + encoding + "; save it as UTF-8 or Latin-1 and try again";
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
