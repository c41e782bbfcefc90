#pragma once

#include <QDialog>
#include <QString>
#include <cstddef>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace qv {

class StyleButton;

// The judge-script editor: the whole judge-script file as one block of text, written back on
// Save Changes. The file is read once, whole, when the dialog is created; a file that exists but
// could not be read (or is larger than kMaxFileBytes) is never overwritten, and a text the file's
// 8-bit encoding (Latin-1) cannot hold is not saved.
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

    void saveChanges();

private:
    void load();
    void setStatus(const std::string& error);
    void setStatus(const QString& shown, const QString& toolTip);

    std::string m_path;
    std::string m_savePath;
    QPlainTextEdit* m_text1 = nullptr;
    StyleButton* m_saveButton = nullptr;
    StyleButton* m_cancelButton = nullptr;
    QLabel* m_label1 = nullptr;
    bool m_unreadable = false; // the file exists but was not read whole
};

} // namespace qv
