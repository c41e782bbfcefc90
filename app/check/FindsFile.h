#pragma once

#include <string>

namespace qv {

// quorvane-check's --out: the finds as Export writes them (ip:port, CR LF), each written to the file
// the moment it is found, so a run that is stopped, killed or cut off by a full disk leaves every
// find up to then in the file.
//
// The file is opened before the scan, to fail at once on a bad path, and emptied only when the
// scan starts: a run that ends before (a judge that fails its check) leaves an existing file as it
// was and removes one it created.
class FindsFile final {
public:
    FindsFile() = default;
    ~FindsFile();
    FindsFile(const FindsFile&) = delete;
    FindsFile& operator=(const FindsFile&) = delete;

    // False, with errorString(), when the file cannot be created or written.
    bool open(const std::string& path);
    bool isOpen() const { return m_fd >= 0; }
    // The scan starts: from now on the file holds this run's finds.
    bool begin();
    bool writeLine(const std::string& entry);
    // Syncs and closes; false when anything failed. Before begin(), drops a file open() created.
    bool close();
    std::string errorString() const { return m_error; }

private:
    bool fail();

    int m_fd = -1;
    std::string m_path;
    std::string m_error;
    bool m_created = false;
    bool m_begun = false;
    std::string m_line;
};

} // namespace qv
