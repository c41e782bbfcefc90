#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace qv {

// Reads a list file line by line, streaming. A line ends at CR LF, at a lone CR or at a lone LF, so
// lists made on Linux, Windows and old Macs read alike; the last line need not be terminated. Bytes
// are kept as they are (Latin-1), except that a UTF-8 byte-order mark at the start of the file is
// dropped. A line longer than kMaxLineBytes is cut there (the rest of that line is skipped), so
// binary junk or a huge line cannot exhaust memory.
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
    // Reads the next line without its terminator, waiting for it. False at the end of the file or
    // on a read error (failed() tells which).
    bool readLine(std::string& line);
    // The same without waiting: Wait when the line has not fully arrived yet (a pipe whose writer
    // is slow); what has arrived is kept for the next call.
    enum class Next { Line, Wait, End };
    Next readLineIfReady(std::string& line, bool wait = false);
    // True when no further line can be read.
    bool atEnd();
    bool failed() const { return !m_error.empty(); }
    std::string errorString() const { return m_error; }
    void close();

private:
    Next next(std::string& line, bool wait);
    // Reads once into the empty buffer; false at the end of the file or on a read error.
    bool fill(bool wait);
    int m_fd = -1;
    bool m_ownsFile = false;
    bool m_eof = false;
    std::string m_error;
    // Read in blocks and split here: a million-line list loads in a fraction of a second.
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::string m_line; // the line being read
    bool m_inLine = false; // bytes of an unfinished line have been read
    bool m_afterCr = false; // a line ended at CR: a LF right after it belongs to it
    bool m_firstLine = true;
    std::string m_peek; // read by atEnd()
    bool m_peeked = false;
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
