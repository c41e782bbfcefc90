#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Reads a list file line by line, streaming. A line ends at CR LF, at a lone CR or at a lone LF, so
// lists made on Linux, Windows and old Macs read alike; the last line need not be terminated. Bytes
// are kept as they are (Latin-1), except that a UTF-8 byte-order mark at the start of the file is
// dropped. A line longer than kMaxLineBytes is cut there (the rest of that line is skipped), so
// binary junk or a huge line cannot exhaust memory. A UTF-16 file is refused: the first read fails
// with utf16Refusal().
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
    std::string m_name; // for messages
    bool m_headChecked = false; // for UTF-16, which is refused rather than read mangled
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

// Writes a file by replacing it whole: the bytes go to a new file in the same folder, which at close()
// is synced to disk, given the old file's mode, owner (where the process may set it) and extended
// attributes (where the file system keeps them), and renamed over the old name; then the folder is
// synced. Until that rename the old file is untouched, so a kill, a full disk or an I/O error leaves it
// byte for byte as it was. The new file has no name until the rename (O_TMPFILE), so a killed save
// leaves nothing behind; on a file system without that, a uniquely named hidden file stands in. A
// symlink is followed: the link stays and its target is replaced. A device or pipe (/dev/stdout) is
// written directly, as there is nothing to replace. Every error names the file and gives the system's
// words. Not QSaveFile: it keeps neither owner nor extended attributes, does not sync the folder, and
// reported a full disk as "Unknown error".
class TextFileWriter {
public:
    // The points where a save can stop: a test seam. A hook returning an errno makes that step fail
    // with it, as the system would.
    enum class Step { Create, Write, Sync, Rename };
    using StepHook = std::function<int(Step)>;
    static void setStepHookForTesting(StepHook hook);

    TextFileWriter() = default;
    // Discards what was written unless close() committed it.
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Starts the new contents of the file; nothing on disk changes before close().
    bool open(const std::string& path);
    bool writeLine(const std::string& line);
    // Writes the bytes as they are.
    bool write(const std::string& bytes);
    // Puts the new contents in place; false, with the old file as it was, when anything failed.
    bool close();
    // Drops the new contents; the old file stays.
    void discard();
    // What went wrong, with the file's name; reason() without it.
    std::string errorString() const { return m_error; }
    std::string reason() const { return m_reason; }

private:
    bool flush();
    bool fail(int error, const std::string& detail = {});
    bool replace();

    std::string m_path; // as given, for messages
    std::string m_target; // symlinks followed
    std::string m_tempPath; // the stand-in's name when O_TMPFILE is not available
    int m_fd = -1;
    bool m_direct = false; // a device or pipe
    bool m_hadOld = false;
    unsigned m_oldMode = 0;
    unsigned m_oldUid = 0;
    unsigned m_oldGid = 0;
    std::string m_buffer;
    std::string m_error;
    std::string m_reason;
};

// "UTF-16LE" or "UTF-16BE" when the file's first bytes are UTF-16 (a byte-order mark, or every other
// byte NUL), else nullptr. Lists and the store are 8-bit text: such a file would be read and written
// mangled.
const char* utf16Encoding(std::string_view head);
// The refusal for such a file: subject (the file's quoted name, say) and the encoding.
std::string utf16Refusal(const std::string& subject, const char* encoding);

// The folder of the running program, without a trailing separator.
std::string programDirectory();

} // namespace qv
