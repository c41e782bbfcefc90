#pragma once

#include <string>

namespace qv {

// One shared open/save dialog object. It keeps the last chosen file name and offers it again.
// The filter is written as "Text Files|*.txt|All Files|*.*" (description|patterns pairs,
// patterns separated by ";"). Paths are in the file system's encoding (UTF-8 here).
class FileDialog {
public:
    virtual ~FileDialog() = default;

    virtual void setFilter(const std::string& filter) = 0;
    virtual std::string filter() const = 0;
    virtual void setFileName(const std::string& path) = 0;
    virtual std::string fileName() const = 0;
    virtual void setDialogTitle(const std::string& title) = 0;
    virtual void setDefaultExt(const std::string& extension) = 0;

    // Show the dialog; true with fileName() set when the user chose a file, false on cancel
    // (fileName() keeps its previous value).
    virtual bool showOpen() = 0;
    virtual bool showSave() = 0;
};

} // namespace qv
