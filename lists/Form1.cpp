#include "lists/Form1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>

#include "controls/button/ButtonStoredSettings.h"
#include "controls/button/styleButton.h"

#include "lists/ModLoad.h"
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

Form1::Form1(QWidget* parent)
    : Form1(ModLoad::JudgeScriptsPath(), parent)
{
}

Form1::Form1(std::string path, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_path(std::move(path))
{
    setWindowTitle(u"Edit Proxy Judge Scripts"_s);
    QFont font(u"Tahoma"_s);
    font.setPointSizeF(8.25);
    setFont(font);
    setFixedSize(7470 / kTwipsPerPixel, 3585 / kTwipsPerPixel);

    m_text1 = new QPlainTextEdit(this);
    m_text1->setGeometry(twips(0, 120, 7455, 3015));
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_styleButton1 = new styleButton(this);
    m_styleButton1->setObjectName(u"styleButton1"_s);
    ButtonStoredSettings::apply(*m_styleButton1, ButtonStoredSettings::resourcePath(u"styleButton1"_s));
    m_styleButton1->setGeometry(twips(120, 3240, 1335, 255));
    m_styleButton2 = new styleButton(this);
    m_styleButton2->setObjectName(u"styleButton2"_s);
    ButtonStoredSettings::apply(*m_styleButton2, ButtonStoredSettings::resourcePath(u"styleButton2"_s));
    m_styleButton2->setGeometry(twips(1680, 3240, 1335, 255));

    m_label1 = new QLabel(u"Status: Idle..."_s, this);
    m_label1->setGeometry(
        3120 / kTwipsPerPixel, 3240 / kTwipsPerPixel, 4215 / kTwipsPerPixel, 255 / kTwipsPerPixel);

    setTabOrder(m_text1, m_styleButton1);
    setTabOrder(m_styleButton1, m_styleButton2);
    m_text1->setFocus();

    connect(m_styleButton1, &styleButton::Click, this, &Form1::saveChanges);
    connect(m_styleButton2, &styleButton::Click, this, &QDialog::close);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    load();
}

void Form1::setStatus(const std::string& error)
{
    // The status line is narrow: it shows the system's description, the whole message (with the
    // file's path) is the tool tip.
    const std::size_t afterPath = error.rfind("\": ");
    const std::string description = afterPath == std::string::npos ? error : error.substr(afterPath + 3);
    m_label1->setText(u"Status: "_s + errorText(description));
    m_label1->setToolTip(errorText(error));
}

void Form1::load()
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

void Form1::saveChanges()
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

    TextFileWriter writer;
    if (!writer.open(m_path)) {
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
