#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace qv {

// Reads a list file line by line, streaming. A line ends at CR LF, at a lone CR or at a lone LF, so
// lists made on Linux, Windows and old Macs read alike; the last line need not be terminated. Bytes
// are kept as they are (Latin-1). A line longer than kMaxLineBytes is cut there (the rest of that line is
// skipped), so binary junk or a huge line cannot exhaust memory.
class TextFileReader {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    TextFileReader() = default;
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // False on failure; errorString() then describes it.
    bool open(const std::string& path);
    // Reads the process's standard input; close() leaves it open.
    void openStandardInput();
    // Reads the next line without its terminator. False at the end of the file or on a read
    // error (failed() tells which).
    bool readLine(std::string& line);
    // True when no further line can be read.
    bool atEnd();
    bool failed() const { return !m_error.empty(); }
    std::string errorString() const { return m_error; }
    void close();

private:
    // Makes unread bytes available; false at the end of the file or on a read error.
    bool fill();
    std::FILE* m_file = nullptr;
    bool m_ownsFile = false;
    std::string m_error;
    // Read in blocks and split here: a million-line list loads in a fraction of a second.
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

// Writes list files: each entry followed by CR LF.
class TextFileWriter {
public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Creates the file or replaces its whole contents.
    bool open(const std::string& path);
    bool writeLine(const std::string& line);
    // Writes the bytes as they are.
    bool write(const std::string& bytes);
    // Flushes and closes; false when anything failed (disk full shows here).
    bool close();
    std::string errorString() const { return m_error; }

private:
    std::FILE* m_file = nullptr;
    std::string m_error;
};

// The folder of the running program, without a trailing separator.
std::string programDirectory();

} // namespace qv
