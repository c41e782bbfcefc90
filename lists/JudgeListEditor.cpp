#include "lists/JudgeListEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>

#include "controls/button/ButtonStoredSettings.h"
#include "controls/button/StyleButton.h"

#include "platform/JudgeListPaths.h"
#include "platform/TextFile.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {
constexpr int kTwipsPerPixel = 15;

QRect twips(int x, int y, int width, int height)
{
    return { x / kTwipsPerPixel, y / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel };
}

QString errorText(const std::string& error)
{
    return QString::fromLocal8Bit(error.data(), static_cast<qsizetype>(error.size()));
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
    m_label1->setText(u"Status: "_s + errorText(description));
    m_label1->setToolTip(errorText(error));
}

void JudgeListEditor::load()
{
    // Every line read, the last one included, is followed by a line break in the text box.
    std::string text;
    TextFileReader reader;
    if (reader.open(m_path)) {
        std::string line;
        while (!reader.atEnd()) {
            if (!reader.readLine(line)) {
                if (reader.failed())
                    setStatus(reader.errorString());
                break;
            }
            text += line;
            text += '\n';
        }
        reader.close();
    } else {
        setStatus(reader.errorString());
    }
    m_text1->setPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void JudgeListEditor::saveChanges()
{
    // Raw text keeps non-breaking spaces; paragraph ends come as separators.
    QString text = m_text1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
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

    // The user's own list may be the first file in its settings folder.
    if (m_savePath == JudgeListPaths::userList())
        QDir().mkpath(QFileInfo(QFile::decodeName(m_savePath.c_str())).absolutePath());
    TextFileWriter writer;
    if (!writer.open(m_savePath)) {
        setStatus(writer.errorString());
        return;
    }
    for (const std::string& line : lines) {
        if (!writer.writeLine(line)) {
            const std::string error = writer.errorString();
            writer.close();
            setStatus(error);
            return;
        }
    }
    if (!writer.close()) {
        setStatus(writer.errorString());
        return;
    }
    m_label1->setText(u"Status: File saved."_s);
}

} // namespace qv
