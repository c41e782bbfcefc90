#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "platform/TextFile.h"

namespace qv {
namespace {

class TextFileTest : public ::testing::Test
{
protected:
    std::string path(const char* name) const
    {
        return m_dir.filePath(QString::fromLatin1(name)).toStdString();
    }

    std::string write(const std::string& bytes, const char* name = "list.txt") const
    {
        const std::string file = path(name);
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

    static std::string slurp(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    // Reads like the program's loops do: read a line, then ask for the end.
    static std::vector<std::string> readAll(const std::string& file)
    {
        TextFileReader reader;
        EXPECT_TRUE(reader.open(file));
        std::vector<std::string> lines;
        std::string line;
        while (!reader.atEnd()) {
            EXPECT_TRUE(reader.readLine(line));
            lines.push_back(line);
        }
        EXPECT_FALSE(reader.readLine(line));
        EXPECT_FALSE(reader.failed());
        return lines;
    }

    QTemporaryDir m_dir;
};

using Lines = std::vector<std::string>;

struct LineCase
{
    const char* name;
    std::string bytes;
    Lines expected;
};

class LineRules : public TextFileTest, public ::testing::WithParamInterface<LineCase>
{
};

TEST_P(LineRules, SplitsAsTheListFormatSays)
{
    EXPECT_EQ(readAll(write(GetParam().bytes)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Endings, LineRules,
    ::testing::Values(LineCase { "CrLf", "1.2.3.4:80\r\n5.6.7.8:3128\r\n", { "1.2.3.4:80", "5.6.7.8:3128" } },
        LineCase { "Unterminated", "a\r\nb", { "a", "b" } }, LineCase { "LoneCr", "a\rb\r", { "a", "b" } },
        LineCase { "LfList", "1.2.3.4:80\n5.6.7.8:3128\n", { "1.2.3.4:80", "5.6.7.8:3128" } },
        LineCase { "LfUnterminated", "a\nb\nc", { "a", "b", "c" } },
        LineCase { "Mixed", "a\r\nb\nc\rd\r\n", { "a", "b", "c", "d" } },
        LineCase { "LfCrIsTwoEnds", "a\n\rb", { "a", "", "b" } },
        LineCase { "EmptyLines", "a\r\n\r\n\r\nb\r\n", { "a", "", "", "b" } },
        LineCase { "OnlyCrLf", "\r\n", { "" } }, LineCase { "CrCrLf", "a\r\r\nb", { "a", "", "b" } },
        LineCase { "Empty", "", {} },
        LineCase { "NulAndHighBytes", std::string("a\0b\xff\x80\r\n\x01", 8),
            { std::string("a\0b\xff\x80", 5), "\x01" } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextFileTest, OverLongLineIsCutAndTheNextLineSurvives)
{
    std::string bytes(TextFileReader::kMaxLineBytes * 3 + 17, 'x');
    bytes += "\r\nnext\r\n";
    const Lines lines = readAll(write(bytes));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(TextFileReader::kMaxLineBytes, 'x'));
    EXPECT_EQ(lines[1], "next");
}

TEST_F(TextFileTest, BinaryJunkLoadsWithBoundedLines)
{
    std::string bytes;
    for (unsigned i = 0; i < 300000; ++i)
        bytes.push_back(static_cast<char>((i * 7919u) % 256u));
    const Lines lines = readAll(write(bytes));
    ASSERT_FALSE(lines.empty());
    std::size_t total = 0;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), TextFileReader::kMaxLineBytes);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
        total += line.size();
    }
    EXPECT_LE(total, bytes.size());
}

TEST_F(TextFileTest, MissingFileFailsToOpen)
{
    TextFileReader reader;
    EXPECT_FALSE(reader.open(path("nothing-here.txt")));
    EXPECT_FALSE(reader.errorString().empty());
    EXPECT_TRUE(reader.atEnd());
    std::string line = "kept";
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_EQ(line, "kept");
    EXPECT_FALSE(reader.open(""));
}

TEST_F(TextFileTest, WriterEndsEveryLineWithCrLfAndKeepsBytes)
{
    const std::string file = path("out.txt");
    TextFileWriter writer;
    ASSERT_TRUE(writer.open(file));
    EXPECT_TRUE(writer.writeLine("1.2.3.4:80"));
    EXPECT_TRUE(writer.writeLine(""));
    EXPECT_TRUE(writer.writeLine(std::string("\xe9\0\n", 3)));
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(slurp(file), std::string("1.2.3.4:80\r\n\r\n\xe9\0\n\r\n", 19));
}

TEST_F(TextFileTest, WriterReplacesTheWholeFile)
{
    const std::string file = write("old contents that are long\r\n", "replace.txt");
    TextFileWriter writer;
    ASSERT_TRUE(writer.open(file));
    EXPECT_TRUE(writer.writeLine("new"));
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(slurp(file), "new\r\n");
}

TEST_F(TextFileTest, WriterReportsFailures)
{
    TextFileWriter writer;
    EXPECT_FALSE(writer.open(path("no-such-dir/out.txt")));
    EXPECT_FALSE(writer.errorString().empty());
    EXPECT_FALSE(writer.writeLine("x"));
    EXPECT_FALSE(writer.open(""));
}

TEST_F(TextFileTest, WriterReportsAFullDisk)
{
    if (!std::ifstream("/dev/full").good())
        GTEST_SKIP() << "/dev/full not available";
    TextFileWriter writer;
    ASSERT_TRUE(writer.open("/dev/full"));
    // Small writes sit in the buffer; the failure must show at the latest when closing.
    bool ok = writer.writeLine("1.2.3.4:80");
    ok = writer.close() && ok;
    EXPECT_FALSE(ok);
    EXPECT_FALSE(writer.errorString().empty());
}

TEST_F(TextFileTest, ProgramDirectoryHoldsTheRunningExecutable)
{
    const std::string dir = programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(std::ifstream(dir + "/test_platform").good()) << dir;
}

} // namespace
} // namespace qv
