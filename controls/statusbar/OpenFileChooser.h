#pragma once

#include <QString>

namespace qv {

// What the open-file dialog is asked for. The filter list is in the converted form: description
// and patterns separated by NUL characters, closed by one more NUL.
struct OpenFileRequest
{
    QString title;
    QString filter;
    QString defaultExt;
    bool hideReadOnly = true;
};

// Shows an open-file dialog. Returns the chosen path, "" when the user cancelled.
class OpenFileChooser
{
public:
    virtual ~OpenFileChooser() = default;
    virtual QString chooseOpenFile(const OpenFileRequest& request) = 0;
};

} // namespace qv
