#include "lists/JudgeListEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "controls/button/ButtonStoredSettings.h"
#include "controls/button/StyleButton.h"

#include "platform/FileLock.h"
#include "platform/JudgeListPaths.h"
#include "platform/TextFile.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {
constexpr int kTwipsPerPixel = 15;
using FileRead = JudgeListEditor::FileRead;

QRect twips(int x, int y, int width, int height)
{
    return { x / kTwipsPerPixel, y / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel };
}

QString errorText(const std::string& error)
{
    return QString::fromLocal8Bit(error.data(), static_cast<qsizetype>(error.size()));
}

// Reads path whole, up to just over the editor's limit; error gets the failure with the file's name.
FileRead readWhole(const std::string& path, std::string& bytes, std::string& error)
{
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        const int code = errno;
        error = "Cannot open \"" + path + "\": " + std::strerror(code);
        return code == ENOENT ? FileRead::Missing : FileRead::Failed;
    }
    char buffer[64 * 1024];
    std::size_t got = 0;
    while (bytes.size() <= JudgeListEditor::kMaxFileBytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool readError = std::ferror(file) != 0;
    const int code = errno;
    std::fclose(file);
    if (readError) {
        error = "Read error \"" + path + "\": " + std::strerror(code);
        return FileRead::Failed;
    }
    return bytes.size() > JudgeListEditor::kMaxFileBytes ? FileRead::TooLarge : FileRead::Whole;
}

// What a save would overwrite: a device or pipe is not read, it holds nothing to lose.
JudgeListEditor::DiskState diskState(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return { FileRead::Failed, {} };
    JudgeListEditor::DiskState state;
    std::string error;
    state.read = readWhole(path, state.bytes, error);
    return state;
}
} // namespace

JudgeListEditor::JudgeListEditor(QWidget* parent)
    : JudgeListEditor(JudgeListPaths::readPath(), JudgeListPaths::savePath(), parent)
{
}

JudgeListEditor::JudgeListEditor(std::string path, QWidget* parent)
    : JudgeListEditor(path, path, parent)
{
}

JudgeListEditor::JudgeListEditor(std::string path, std::string savePath, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_path(std::move(path))
    , m_savePath(std::move(savePath))
{
    setWindowTitle(u"Edit Proxy Judge Scripts"_s);
    QFont font(u"Tahoma"_s);
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(7470 / kTwipsPerPixel, 3585 / kTwipsPerPixel);

    m_text1 = new QPlainTextEdit(this);
    m_text1->setGeometry(twips(0, 120, 7455, 3015));
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_saveButton = new StyleButton(this);
    m_saveButton->setObjectName(u"styleButton1"_s);
    ButtonStoredSettings::apply(*m_saveButton, ButtonStoredSettings::resourcePath(u"styleButton1"_s));
    m_saveButton->setGeometry(twips(120, 3240, 1335, 255));
    m_cancelButton = new StyleButton(this);
    m_cancelButton->setObjectName(u"styleButton2"_s);
    ButtonStoredSettings::apply(*m_cancelButton, ButtonStoredSettings::resourcePath(u"styleButton2"_s));
    m_cancelButton->setGeometry(twips(1680, 3240, 1335, 255));

    m_label1 = new QLabel(u"Status: Idle..."_s, this);
    m_label1->setGeometry(
        3120 / kTwipsPerPixel, 3240 / kTwipsPerPixel, 4215 / kTwipsPerPixel, 255 / kTwipsPerPixel);

    setTabOrder(m_text1, m_saveButton);
    setTabOrder(m_saveButton, m_cancelButton);
    m_text1->setFocus();

    connect(m_saveButton, &StyleButton::Click, this, &JudgeListEditor::saveChanges);
    connect(m_cancelButton, &StyleButton::Click, this, &QDialog::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    load();
}

void JudgeListEditor::setStatus(const std::string& error)
{
    // The status line is narrow: it shows the system's description, the whole message (with the
    // file's path) is the tool tip.
    const std::size_t afterPath = error.rfind("\": ");
    const std::string description = afterPath == std::string::npos ? error : error.substr(afterPath + 3);
    setStatus(errorText(description), errorText(error));
}

void JudgeListEditor::setStatus(const QString& shown, const QString& toolTip)
{
    m_label1->setText(u"Status: "_s + shown);
    m_label1->setToolTip(toolTip);
}

void JudgeListEditor::load()
{
    // Read whole, not line by line with the list reader's cap: a long line must not be cut and
    // then saved cut.
    std::string bytes;
    std::string error;
    const FileRead read = readWhole(m_path, bytes, error);
    m_onDisk = m_path == m_savePath && (read == FileRead::Whole || read == FileRead::Missing)
        ? DiskState { read, bytes }
        : diskState(m_savePath);
    // A missing file is only reported: Save Changes creates it.
    m_unreadable = read != FileRead::Whole && read != FileRead::Missing;
    if (read == FileRead::TooLarge) {
        setStatus(u"file larger than 4 MiB, not opened"_s,
            u"%1 is larger than 4 MiB: it is not a judge list, and it is neither shown nor overwritten."_s.arg(
                errorText(m_path)));
        return;
    }
    if (read != FileRead::Whole) {
        setStatus(error);
        return;
    }
    if (const char* encoding = utf16Encoding(bytes)) {
        // Shown as Latin-1 and saved, every character would gain a NUL.
        m_unreadable = true;
        m_utf16 = encoding;
        setStatus(errorText(utf16Refusal("file", encoding)), errorText(utf16Refusal("\"" + m_path + "\"", encoding)));
        return;
    }

    // A line ends at CR LF, a lone CR or a lone LF; every line, the last one included, is
    // followed by a line break in the text box.
    std::string text;
    text.reserve(bytes.size() + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            text += bytes[i];
        }
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    m_text1->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void JudgeListEditor::saveChanges()
{
    if (m_utf16) {
        setStatus(u"not saved: "_s + errorText(utf16Refusal("file", m_utf16)),
            errorText(utf16Refusal("\"" + m_path + "\"", m_utf16) + ". Nothing was saved."));
        return;
    }
    if (m_unreadable) {
        setStatus(u"not saved: the file could not be read"_s,
            u"%1 could not be read when the editor opened; saving would replace what it holds. Nothing was saved."_s
                .arg(errorText(m_path)));
        return;
    }
    // Raw text keeps non-breaking spaces; paragraph ends come as separators.
    QString text = m_text1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');

    // The file is Latin-1: a character it cannot hold is named instead of being saved as "?".
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() <= 0xFF)
            continue;
        const char32_t code = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
            ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
            : text.at(i).unicode();
        const QString character = QString::fromUcs4(&code, 1);
        const QString hex = u"U+%1"_s.arg(static_cast<uint>(code), 4, 16, QChar(u'0')).toUpper();
        const qsizetype line = text.left(i).count(u'\n') + 1;
        setStatus(u"not saved: \"%1\" (%2) on line %3"_s.arg(character, hex).arg(line),
            u"The judge list is saved in Latin-1, which has no \"%1\" (%2, line %3). Nothing was saved."_s
                .arg(character, hex)
                .arg(line));
        return;
    }
    const QByteArray bytes = text.toLatin1();

    // One CR LF per line; a text that already ends with a line break gets no extra empty line, so
    // loading and saving leaves the file as it was. An empty text still writes one empty line.
    std::vector<std::string> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        lines.emplace_back(bytes.constData() + start, static_cast<std::size_t>(end - start));
        start = end + 1;
    }
    if (lines.empty())
        lines.emplace_back();

    std::string joined;
    for (const std::string& line : lines)
        joined += line + "\r\n";
    save(joined);
}

void JudgeListEditor::save(const std::string& bytes)
{
    // The user's own list may be the first file in its settings folder.
    if (m_savePath == JudgeListPaths::userList())
        QDir().mkpath(QFileInfo(QFile::decodeName(m_savePath.c_str())).absolutePath());
    std::optional<DiskState> approved;
    for (;;) {
        // Another instance's save waits for this one, and the check below sees what it wrote.
        FileLock lock;
        if (!lock.lock(m_savePath)) {
            setStatus(lock.errorString());
            return;
        }
        const DiskState now = diskState(m_savePath);
        if (now == m_onDisk || now == approved) {
            TextFileWriter writer;
            if (!writer.open(m_savePath) || !writer.write(bytes) || !writer.close()) {
                setStatus(writer.errorString());
                return;
            }
            m_onDisk = diskState(m_savePath); // still under the lock: what this save left
            m_label1->setText(u"Status: File saved."_s);
            return;
        }
        // Not asked under the lock: another instance must not wait for this answer.
        lock.unlock();
        if (!m_messageBox) {
            m_ownMessageBox = std::make_unique<QtMessageBox>(this);
            m_messageBox = m_ownMessageBox.get();
        }
        if (m_messageBox->show("\"" + m_savePath
                    + "\" was changed on disk since the editor read it.\n\nOverwrite it with the text in the editor?",
                MessageBox::YesNo | MessageBox::Exclamation, "Save Changes")
            != MessageBox::Yes) {
            setStatus(u"not saved: the file changed on disk"_s,
                u"%1 was changed on disk since the editor read it; it was left as it is."_s.arg(errorText(m_savePath)));
            return;
        }
        approved = now;
    }
}

} // namespace qv
