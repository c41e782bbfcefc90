#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/TextFile.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using Lines = std::vector<std::string>;

class TextFile : public testing::Test {
protected:
    std::string write(const std::string& bytes) { return test::writeFile(m_path, QByteArray::fromStdString(bytes)) ? m_path : ""; }
    QTemporaryDir m_dir;
    const std::string m_path = m_dir.filePath(QStringLiteral("list.txt")).toStdString();
};

TEST_F(TextFile, LinesEndAtCrLfLoneCrOrLoneLf)
{
    const std::pair<std::string, Lines> rows[] = {
        { "a\r\nb", { "a", "b" } }, { "a\rb\r", { "a", "b" } }, { "a\nb\nc", { "a", "b", "c" } },
        { "a\r\nb\nc\rd\r\n", { "a", "b", "c", "d" } }, { "a\n\rb", { "a", "", "b" } },
        { "a\r\n\r\n\r\nb\r\n", { "a", "", "", "b" } }, { "\r\n", { "" } }, { "a\r\r\nb", { "a", "", "b" } }, { "", {} },
        { std::string("a\0b\xff\x80\r\n\x01", 8), { std::string("a\0b\xff\x80", 5), "\x01" } },
        // A line over the cap is cut there and the next line survives.
        { std::string(TextFileReader::kMaxLineBytes * 3 + 17, 'x') + "\r\nnext\r\n",
            { std::string(TextFileReader::kMaxLineBytes, 'x'), "next" } },
        { std::string(TextFileReader::kMaxLineBytes + 1, 'y'), { std::string(TextFileReader::kMaxLineBytes, 'y') } },
        // A UTF-8 byte-order mark starts the file only.
        { "\xef\xbb\xbf" "a\r\n\xef\xbb\xbf" "b", { "a", "\xef\xbb\xbf" "b" } }, { "\xef\xbb\xbf", {} },
        { "\xef\xbb\xbf\r\nb", { "", "b" } }, { "\xef\xbb" "a", { "\xef\xbb" "a" } },
    };
    for (const auto& [bytes, lines] : rows) {
        TextFileReader reader; // read as the program's loops do: a line, then ask for the end
        EXPECT_TRUE(reader.open(write(bytes)));
        Lines got;
        for (std::string line; !reader.atEnd() && reader.readLine(line);)
            got.push_back(line);
        std::string line;
        EXPECT_TRUE(reader.atEnd() && !reader.readLine(line) && !reader.failed());
        EXPECT_EQ(got, lines) << bytes.substr(0, 40);
    }
}

// A missing file, no name, and a folder (which opens but cannot be read) all fail; so does UTF-16,
// which read byte by byte would come out as lines with a NUL after every character.
TEST_F(TextFile, ReaderFailures)
{
    const std::string missing = m_dir.filePath(QStringLiteral("none.txt")).toStdString();
    const std::string le = "\"" + m_path + "\" is UTF-16LE; save it as UTF-8 or Latin-1 and try again";
    const std::string be = "\"" + m_path + "\" is UTF-16BE; save it as UTF-8 or Latin-1 and try again";
    const std::tuple<std::string, std::string, std::string> rows[] = { { missing, "", "" }, { "", "", "" },
        { m_dir.path().toStdString(), "", "" }, { m_path, std::string("\xFF\xFE" "1\0.\0" "2\0\r\0\n\0", 12), le },
        { m_path, std::string("\xFE\xFF\0" "1\0.", 6), be }, { m_path, std::string("1\0.\0" "2\0:\0" "8\0", 10), le },
        { m_path, std::string("\0" "1\0.\0" "2", 6), be } };
    for (const auto& [path, bytes, error] : rows) {
        ASSERT_TRUE(bytes.empty() || !write(bytes).empty());
        TextFileReader reader;
        std::string line = "kept";
        EXPECT_FALSE(reader.open(path) && reader.readLine(line)) << path;
        EXPECT_TRUE(error.empty() ? !reader.errorString().empty() : reader.errorString() == error)
            << reader.errorString();
        EXPECT_TRUE(reader.atEnd() && !reader.readLine(line) && line == "kept") << line;
    }
}

// A pipe whose writer is slow: a line is handed out only once it is whole, and nothing waits.
TEST_F(TextFile, LinesFromAPipeArriveInPieces)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    TextFileReader reader;
    ASSERT_TRUE(reader.open("/proc/self/fd/" + std::to_string(ends[0])));
    ::close(ends[0]);
    using Next = TextFileReader::Next;
    const std::tuple<std::string, Next, std::string> steps[] = {
        { "", Next::Wait, "" }, { "\xef\xbb", Next::Wait, "" }, { "\xbf" "ab", Next::Wait, "" }, { "c\r", Next::Line, "abc" },
        { "\n", Next::Wait, "" }, { "d\n\re", Next::Line, "d" }, { "", Next::Line, "" }, { "", Next::Wait, "" },
    };
    for (const auto& [bytes, next, line] : steps) {
        ASSERT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        std::string got = "untouched";
        EXPECT_EQ(reader.readLineIfReady(got), next) << bytes;
        EXPECT_EQ(got, next == Next::Line ? line : "untouched") << bytes;
    }
    ::close(ends[1]);
    std::string got;
    EXPECT_EQ(reader.readLineIfReady(got), Next::Line);
    EXPECT_EQ(got, "e");
    EXPECT_EQ(reader.readLineIfReady(got), Next::End);
    EXPECT_FALSE(reader.failed());
}

using Step = TextFileWriter::Step;

// Saves new over the file through the writer, in lines of 1 KiB so that long contents reach the disk
// in several writes.
bool save(const std::string& path, const std::string& bytes, std::string* error = nullptr)
{
    TextFileWriter writer;
    bool ok = writer.open(path);
    for (std::size_t at = 0; ok && at < bytes.size(); at += 1024)
        ok = writer.write(bytes.substr(at, 1024));
    ok = writer.close() && ok;
    if (error)
        *error = writer.errorString();
    return ok;
}

// Whatever stops a save, the old file stays byte for byte and nothing is left beside it; the error
// names the file in the system's words. Small writes to a full disk show only at the close.
TEST_F(TextFile, WriterFailuresLeaveTheOldFile)
{
    const std::string old = "old\r\n", small(10, 'x'), big(1 << 20, 'x');
    const std::string noSpace = std::strerror(ENOSPC), io = std::strerror(EIO);
    const std::tuple<std::string, std::string, Step, int, std::string> rows[] = {
        { m_dir.filePath(QStringLiteral("none/out.txt")).toStdString(), small, Step::Create, 0, std::strerror(ENOENT) },
        { "/dev/full", small, Step::Create, 0, noSpace }, { "/dev/full", big, Step::Create, 0, noSpace },
        { m_path, small, Step::Create, ENOSPC, noSpace },
        { m_path, small, Step::Write, ENOSPC, noSpace }, { m_path, big, Step::Write, EIO, io },
        { m_path, small, Step::Sync, EIO, io }, { m_path, big, Step::Rename, EIO, io } };
    for (const auto& [path, bytes, step, error, reason] : rows) {
        SCOPED_TRACE(path + " " + std::to_string(bytes.size()) + " " + std::to_string(int(step)));
        write(old);
        TextFileWriter::setStepHookForTesting([step = step, error = error](Step at) { return at == step ? error : 0; });
        std::string message;
        EXPECT_FALSE(save(path, bytes, &message));
        TextFileWriter::setStepHookForTesting({});
        EXPECT_EQ(message, "Cannot save \"" + path + "\": " + reason);
        EXPECT_EQ(test::readFile(m_path), QByteArray::fromStdString(old));
        EXPECT_EQ(test::filesIn(m_dir.path()), "list.txt");
    }
    TextFileWriter unnamed;
    EXPECT_FALSE(unnamed.open("") || unnamed.write("x") || unnamed.close());
    EXPECT_EQ(unnamed.errorString(), "No file name given");
}

// Killed at any step (kill -9 of a child process), a save leaves the old file whole and nothing
// beside it, or, on a file system without unnamed files, a hidden stray that never stops a later save.
TEST_F(TextFile, WriterKilledAtEachStepLeavesTheOldFile)
{
    const std::string old = "old\r\n", replacement(200 * 1024, 'n');
    for (const auto& [step, nth, named] : { std::tuple { Step::Create, 1, false }, std::tuple { Step::Write, 3, false },
             std::tuple { Step::Sync, 1, false }, std::tuple { Step::Rename, 1, false },
             std::tuple { Step::Write, 3, true }, std::tuple { Step::Rename, 1, true } }) {
        SCOPED_TRACE(std::to_string(int(step)) + " " + std::to_string(nth) + " " + std::to_string(named));
        QDir(m_dir.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(m_dir.path()));
        write(old);
        const auto unnamedFiles = [named = named](Step at) { return named && at == Step::Create ? EOPNOTSUPP : 0; };
        const int status = test::inChild([&, step = step, nth = nth] {
            int seen = 0;
            TextFileWriter::setStepHookForTesting([&](Step at) {
                if (at == step && ++seen == nth)
                    ::raise(SIGKILL);
                return unnamedFiles(at);
            });
            return save(m_path, replacement);
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        EXPECT_EQ(test::readFile(m_path), QByteArray::fromStdString(old));
        const std::string files = test::filesIn(m_dir.path());
        EXPECT_TRUE(named ? files.starts_with(".list.txt.") && files.ends_with(" list.txt") : files == "list.txt") << files;
        TextFileWriter::setStepHookForTesting(unnamedFiles);
        EXPECT_TRUE(save(m_path, replacement));
        TextFileWriter::setStepHookForTesting({});
        EXPECT_EQ(test::readFile(m_path).size(), qsizetype(replacement.size()));
        EXPECT_EQ(test::filesIn(m_dir.path()), files);
    }
}

// A 64 KiB file system that cannot hold the old file and the new one: the save fails and says so.
TEST_F(TextFile, WriterOnAFullDiskLeavesTheOldFile)
{
    const QString mountPoint = m_dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root: " << std::strerror(errno);
    const std::string path = (mountPoint + QStringLiteral("/list.txt")).toStdString();
    const std::string old(40 * 1024, 'o');
    std::string error;
    EXPECT_TRUE(save(path, old));
    EXPECT_FALSE(save(path, std::string(40 * 1024, 'n'), &error));
    EXPECT_EQ(error, "Cannot save \"" + path + "\": " + std::strerror(ENOSPC));
    EXPECT_EQ(test::readFile(path), QByteArray::fromStdString(old));
    EXPECT_EQ(test::filesIn(mountPoint), "list.txt");
    EXPECT_TRUE(save(path, "small")) << "the space of the failed save is free again";
    ::umount2(mountPoint.toLocal8Bit().constData(), MNT_DETACH);
}

// Every line ends with CR LF. A symlink stays and its target is replaced, with its mode, owner (where
// the process may set it) and extended attributes; a hard link cannot follow a replace and keeps the
// old bytes; a device is written directly.
TEST_F(TextFile, WriterReplacesTheTargetAndKeepsItsAttributes)
{
    const QString target = m_dir.filePath(QStringLiteral("target.txt"));
    write("old");
    ASSERT_TRUE(QFile::rename(QString::fromStdString(m_path), target));
    ASSERT_TRUE(QFile::link(QStringLiteral("target.txt"), QString::fromStdString(m_path)));
    const std::string targetPath = target.toStdString(), hardLink = targetPath + ".hard";
    ASSERT_EQ(::link(targetPath.c_str(), hardLink.c_str()), 0);
    ASSERT_EQ(::chmod(targetPath.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::chown(targetPath.c_str(), 4242, 4343) == 0);
    const bool xattrs = ::setxattr(targetPath.c_str(), "user.origin", "kept", 4, 0) == 0;

    TextFileWriter writer;
    ASSERT_TRUE(writer.open(m_path));
    EXPECT_TRUE(writer.writeLine("1.2.3.4:80") && writer.writeLine("")
        && writer.writeLine(std::string("\xe9\0\n", 3)));
    EXPECT_TRUE(writer.write("raw") && writer.close());
    EXPECT_EQ(QFileInfo(QString::fromStdString(m_path)).symLinkTarget(), target);
    EXPECT_EQ(test::readFile(targetPath) + '|' + test::readFile(hardLink),
        QByteArray("1.2.3.4:80\r\n\r\n\xe9\0\n\r\nraw|old", 26));
    struct stat info {};
    ASSERT_EQ(::stat(targetPath.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(!root || (info.st_uid == 4242 && info.st_gid == 4343)) << info.st_uid << ':' << info.st_gid;
    char value[8] = {};
    const ssize_t length = ::getxattr(targetPath.c_str(), "user.origin", value, sizeof value);
    EXPECT_TRUE(!xattrs || std::string(value, std::max<ssize_t>(0, length)) == "kept") << length;
    EXPECT_TRUE(save("/dev/null", "discarded"));
    // An open file named by its descriptor (as /dev/stdout names standard output) is written, not replaced.
    const int fd = ::open(targetPath.c_str(), O_WRONLY | O_CLOEXEC);
    EXPECT_TRUE(save("/dev/fd/" + std::to_string(fd), "through the descriptor"));
    ::close(fd);
    EXPECT_EQ(test::readFile(hardLink), "old");
    EXPECT_EQ(test::readFile(targetPath), "through the descriptor");
    struct stat after {};
    EXPECT_TRUE(::stat(targetPath.c_str(), &after) == 0 && after.st_ino == info.st_ino);
}

// A folder the user may not write, with a file the user may: the file is not written in place.
TEST_F(TextFile, WriterRefusesAFolderThatTakesNoNewFile)
{
    write("old");
    const QString folder = m_dir.path();
    const std::string expected = "Cannot save \"" + m_path + "\": its folder cannot take a new file ("
        + std::strerror(EACCES) + "); the file was left as it was";
    ASSERT_EQ(::chmod(m_path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    // Root may write any folder: the save runs as nobody.
    const int status = test::inChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return false;
        std::string error;
        return !save(m_path, "new", &error) && error == expected;
    });
    ::chmod(folder.toLocal8Bit().constData(), 0700);
    EXPECT_EQ(status, 0) << expected;
    EXPECT_EQ(test::readFile(m_path), "old");
    EXPECT_EQ(test::filesIn(folder), "list.txt");
}

// Two programs saving the same file at once, 100 times each: every read finds one whole version.
TEST_F(TextFile, TwoProcessesSavingAtOnceLeaveOneWholeVersion)
{
    const std::string a(30000, 'a'), b(50000, 'b');
    write(a);
    const auto saveTimes = [&](const std::string& bytes) {
        bool saved = true;
        for (int i = 0; i < 100 && saved; ++i)
            saved = save(m_path, bytes);
        return saved;
    };
    const pid_t children[] = { test::startChild([&] { return saveTimes(a); }),
        test::startChild([&] { return saveTimes(b); }) };
    int statuses[] = { -1, -1 }, torn = 0;
    for (int reads = 0; (statuses[0] == -1 || statuses[1] == -1) && reads < 1000000; ++reads) {
        const QByteArray now = test::readFile(m_path);
        torn += now != QByteArray::fromStdString(a) && now != QByteArray::fromStdString(b);
        for (int i = 0; i < 2; ++i)
            if (statuses[i] == -1 && ::waitpid(children[i], &statuses[i], WNOHANG) != children[i])
                statuses[i] = -1;
    }
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(std::pair(statuses[0], statuses[1]), std::pair(0, 0));
    EXPECT_EQ(test::filesIn(m_dir.path()), "list.txt");
}

} // namespace
} // namespace qv
