#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/TextFile.h"
#include "support/TestFiles.h"

namespace qv {
namespace {

using Lines = std::vector<std::string>;

// Reads like the program's loops do: read a line, then ask for the end.
Lines readAll(const std::string& file)
{
    TextFileReader reader;
    EXPECT_TRUE(reader.open(file));
    Lines lines;
    std::string line;
    while (!reader.atEnd()) {
        EXPECT_TRUE(reader.readLine(line));
        lines.push_back(line);
    }
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_FALSE(reader.failed());
    return lines;
}

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
    for (const auto& [bytes, lines] : rows)
        EXPECT_EQ(readAll(write(bytes)), lines) << bytes.substr(0, 40);
}

// A missing file, no name, and a folder (which opens but cannot be read) all fail.
TEST_F(TextFile, ReaderFailures)
{
    for (const std::string& path : { m_dir.filePath(QStringLiteral("none.txt")).toStdString(), std::string(),
             m_dir.path().toStdString() }) {
        TextFileReader reader;
        std::string line = "kept";
        EXPECT_FALSE(reader.open(path) && reader.readLine(line)) << path;
        EXPECT_FALSE(reader.errorString().empty()) << path;
        EXPECT_TRUE(reader.atEnd());
        EXPECT_FALSE(reader.readLine(line));
        EXPECT_EQ(line, "kept");
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

TEST_F(TextFile, WriterEndsEveryLineWithCrLfAndReplacesTheFile)
{
    write("old contents that are much longer\r\n");
    TextFileWriter writer;
    ASSERT_TRUE(writer.open(m_path));
    EXPECT_TRUE(writer.writeLine("1.2.3.4:80") && writer.writeLine("") && writer.writeLine(std::string("\xe9\0\n", 3)));
    EXPECT_TRUE(writer.write("raw"));
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(test::readFile(m_path), QByteArray("1.2.3.4:80\r\n\r\n\xe9\0\n\r\nraw", 22));
}

// Every failure is reported: not opening, a write to a full disk (small ones show at the close,
// large ones at once).
TEST_F(TextFile, WriterFailures)
{
    const std::pair<std::string, std::size_t> rows[] = { { "/nonexistent/out.txt", 1 }, { "", 1 }, { "/dev/full", 10 },
        { "/dev/full", 1 << 20 } };
    for (const auto& [path, bytes] : rows) {
        SCOPED_TRACE(path + " " + std::to_string(bytes));
        TextFileWriter writer;
        bool ok = writer.open(path);
        ok = writer.writeLine(std::string(bytes, 'x')) && ok;
        ok = writer.writeLine("1.2.3.4:80") && ok;
        ok = writer.close() && ok;
        EXPECT_FALSE(ok);
        EXPECT_FALSE(writer.errorString().empty());
        EXPECT_FALSE(writer.close());
    }
}

} // namespace
} // namespace qv
