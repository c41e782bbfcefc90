#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/gui/QtMessageBox.h"

class QLabel;
class QPlainTextEdit;

namespace qv {

class StyleButton;

// The judge-script editor: the whole judge-script file as one block of text, written back on
// Save Changes. The file is read once, whole, when the dialog is created; a file that exists but
// could not be read (or is larger than kMaxFileBytes, or is UTF-16) is never overwritten, and a text
// the file's 8-bit encoding (Latin-1) cannot hold is not saved. Saves replace the file whole under
// its lock (FileLock), and a file that changed on disk since it was read is overwritten only when the
// user says so.
class JudgeListEditor final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JudgeListEditor)
public:
    // Reads and saves path.
    explicit JudgeListEditor(std::string path, QWidget* parent = nullptr);
    // Reads path and saves to savePath (creating its folder when that is the user's own list).
    JudgeListEditor(std::string path, std::string savePath, QWidget* parent = nullptr);
    // Edits the judge list the program reads, saving it to the user's own list unless a list beside
    // the program is in use (JudgeListPaths).
    explicit JudgeListEditor(QWidget* parent = nullptr);

    QPlainTextEdit* Text1() const { return m_text1; }
    StyleButton* styleButton1() const { return m_saveButton; }
    StyleButton* styleButton2() const { return m_cancelButton; }
    QLabel* Label1() const { return m_label1; }
    const std::string& path() const { return m_path; }
    const std::string& savePath() const { return m_savePath; }

    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    enum class FileRead { Whole, Missing, Failed, TooLarge };
    // A file as a save finds it.
    struct DiskState
    {
        FileRead read = FileRead::Missing;
        std::string bytes;
        bool operator==(const DiskState&) const = default;
    };

    void saveChanges();
    // Where Save Changes asks before overwriting a file changed on disk; a Qt message box by default.
    void setMessageBox(MessageBox& messageBox) { m_messageBox = &messageBox; }

private:
    void load();
    // Writes bytes unless the file changed on disk since it was read and the user declines.
    void save(const std::string& bytes);
    void setStatus(const std::string& error);
    void setStatus(const QString& shown, const QString& toolTip);

    std::string m_path;
    std::string m_savePath;
    QPlainTextEdit* m_text1 = nullptr;
    StyleButton* m_saveButton = nullptr;
    StyleButton* m_cancelButton = nullptr;
    QLabel* m_label1 = nullptr;
    bool m_unreadable = false; // the file exists but was not read whole
    const char* m_utf16 = nullptr; // the file's encoding when it is UTF-16, which is never saved
    // The save file as last read or saved.
    DiskState m_onDisk;
    std::unique_ptr<QtMessageBox> m_ownMessageBox;
    MessageBox* m_messageBox = nullptr;
};

} // namespace qv
