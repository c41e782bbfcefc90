#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include "lists/JudgeListEditor.h"
#include "lists/JudgeEditorLauncher.h"
#include "controls/button/StyleButton.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The text as typed, non-breaking spaces included.
QString shownText(const JudgeListEditor& form)
{
    return form.Text1()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

class JudgeListEditorTest : public testing::Test
{
protected:
    std::string path() const { return QDir(dir.path()).filePath(u"judgescripts.txt"_s).toStdString(); }
    void write(const QByteArray& bytes) const
    {
        QFile file(QString::fromStdString(path()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read() const
    {
        QFile file(QString::fromStdString(path()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir;
};

TEST_F(JudgeListEditorTest, WindowSettings)
{
    write("a\r\n");
    JudgeListEditor form(path());
    EXPECT_EQ(form.windowTitle(), u"Edit Proxy Judge Scripts"_s);
    EXPECT_EQ(form.size(), QSize(498, 239));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.styleButton1()->Caption(), u"Save Changes"_s);
    EXPECT_EQ(form.styleButton2()->Caption(), u"Cancel"_s);
    EXPECT_EQ(form.Label1()->text(), u"Status: Idle..."_s);
    EXPECT_EQ(form.Text1()->geometry(), QRect(0, 8, 497, 201));

    const QString outDir = qEnvironmentVariable("QV_TEST_OUTPUT_DIR");
    if (!outDir.isEmpty() && QDir().mkpath(outDir))
        form.grab().save(outDir + u"/judge-list-editor.png"_s);
}

struct RoundTrip
{
    const char* name;
    QByteArray file;
    QString shown;
    QByteArray saved;
};

class JudgeListEditorRoundTrip : public JudgeListEditorTest, public testing::WithParamInterface<RoundTrip>
{
};

TEST_P(JudgeListEditorRoundTrip, LoadThenSaveUnchanged)
{
    const RoundTrip& c = GetParam();
    write(c.file);
    JudgeListEditor form(path());
    EXPECT_EQ(shownText(form), c.shown);
    EXPECT_EQ(form.Label1()->text(), u"Status: Idle..."_s);
    Q_EMIT form.styleButton1()->Click();
    EXPECT_EQ(form.Label1()->text(), u"Status: File saved."_s);
    EXPECT_EQ(read(), c.saved);
}

INSTANTIATE_TEST_SUITE_P(Files, JudgeListEditorRoundTrip,
    testing::Values(RoundTrip { "CrLf", "a\r\nb\r\n", u"a\nb\n"_s, "a\r\nb\r\n" },
        RoundTrip { "NoFinalLineEnd", "a\r\nb", u"a\nb\n"_s, "a\r\nb\r\n" },
        RoundTrip { "EmptyLineKept", "a\r\n\r\nb\r\n", u"a\n\nb\n"_s, "a\r\n\r\nb\r\n" },
        RoundTrip { "LoneCr", "a\rb\r", u"a\nb\n"_s, "a\r\nb\r\n" },
        RoundTrip { "Lf", "a\nb\n", u"a\nb\n"_s, "a\r\nb\r\n" },
        RoundTrip { "Mixed", "a\r\nb\nc\rd", u"a\nb\nc\nd\n"_s, "a\r\nb\r\nc\r\nd\r\n" },
        RoundTrip { "Latin1", "http://h\xE9.example/\xA0j\r\n", u"http://h\u00E9.example/\u00A0j\n"_s,
            "http://h\xE9.example/\xA0j\r\n" },
        RoundTrip { "EmptyFile", "", u""_s, "\r\n" }, RoundTrip { "OnlyLineBreak", "\r\n", u"\n"_s, "\r\n" },
        // Longer than the list reader's cap: read whole, not cut.
        RoundTrip { "LongLine", QByteArray(70000, 'j') + "\r\nb\r\n", QString(70000, u'j') + u"\nb\n"_s,
            QByteArray(70000, 'j') + "\r\nb\r\n" }),
    [](const testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

TEST_F(JudgeListEditorTest, SavesEditedText)
{
    write("a\r\n");
    JudgeListEditor form(path());
    form.Text1()->setPlainText(u"http://one/\nhttp://two/"_s);
    form.saveChanges();
    EXPECT_EQ(read(), QByteArray("http://one/\r\nhttp://two/\r\n"));
    form.Text1()->clear();
    form.saveChanges();
    EXPECT_EQ(read(), QByteArray("\r\n"));
}

TEST_F(JudgeListEditorTest, MissingFileShowsErrorAndSaveCreatesIt)
{
    JudgeListEditor form(path());
    EXPECT_TRUE(form.Text1()->toPlainText().isEmpty());
    const QString status = form.Label1()->text();
    EXPECT_TRUE(status.startsWith(u"Status: "_s));
    EXPECT_EQ(status, u"Status: "_s + QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_TRUE(form.Label1()->toolTip().contains(QString::fromStdString(path())));

    form.Text1()->setPlainText(u"http://judge/"_s);
    form.saveChanges();
    EXPECT_EQ(read(), QByteArray("http://judge/\r\n"));
}

TEST_F(JudgeListEditorTest, WhatCouldNotBeReadIsNeverOverwritten)
{
    const std::string folder = QDir(dir.path()).filePath(u"folder"_s).toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    const QByteArray big = QByteArray(JudgeListEditor::kMaxFileBytes, 'x') + "\r\n";
    write(big);
    for (const auto& [file, status] : { std::pair { folder, u"Status: "_s + QString::fromLocal8Bit(std::strerror(EISDIR)) },
             std::pair { path(), u"Status: file larger than 4 MiB, not opened"_s } }) {
        JudgeListEditor form(file);
        EXPECT_EQ(form.Label1()->text(), status);
        EXPECT_TRUE(form.Text1()->toPlainText().isEmpty());
        form.Text1()->setPlainText(u"http://judge/"_s);
        form.saveChanges();
        EXPECT_EQ(form.Label1()->text(), u"Status: not saved: the file could not be read"_s);
        EXPECT_TRUE(form.Label1()->toolTip().contains(QString::fromStdString(file)));
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
    EXPECT_EQ(read(), big);
}

TEST_F(JudgeListEditorTest, CharacterLatin1CannotHoldIsNamedNotSavedAsQuestionMark)
{
    write("http://a/\r\n");
    JudgeListEditor form(path());
    form.Text1()->setPlainText(u"http://a/\nhttp://\u20AC/\n"_s);
    form.saveChanges();
    EXPECT_EQ(form.Label1()->text(), u"Status: not saved: \"\u20AC\" (U+20AC) on line 2"_s);
    form.Text1()->setPlainText(u"http://\U0001F600/"_s);
    form.saveChanges();
    EXPECT_EQ(form.Label1()->text(), u"Status: not saved: \"\U0001F600\" (U+1F600) on line 1"_s);
    EXPECT_EQ(read(), QByteArray("http://a/\r\n"));
}

TEST_F(JudgeListEditorTest, SaveErrorShowsDescriptionAndKeepsDialog)
{
    const std::string badPath = QDir(dir.path()).filePath(u"missing/judgescripts.txt"_s).toStdString();
    JudgeListEditor form(badPath);
    form.show();
    form.Text1()->setPlainText(u"x"_s);
    Q_EMIT form.styleButton1()->Click();
    const QString status = form.Label1()->text();
    EXPECT_TRUE(status.startsWith(u"Status: "_s));
    EXPECT_NE(status, u"Status: File saved."_s);
    EXPECT_GT(status.size(), 10);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(badPath)));
}

TEST_F(JudgeListEditorTest, LauncherReopensAndKeepsUnsavedEdits)
{
    write("a\r\n");
    JudgeEditorLauncher launcher(path());
    launcher.show();
    JudgeListEditor* first = launcher.form();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parent(), nullptr);
    EXPECT_FALSE(first->isModal());
    first->Text1()->setPlainText(u"edited"_s);

    launcher.show(); // already open: not read again
    EXPECT_EQ(launcher.form(), first);
    EXPECT_EQ(first->Text1()->toPlainText(), u"edited"_s);

    Q_EMIT first->styleButton2()->Click(); // Cancel: no question, nothing saved
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(read(), QByteArray("a\r\n"));

    launcher.show(); // before the closed one is deleted
    ASSERT_NE(launcher.form(), nullptr);
    EXPECT_EQ(launcher.form()->Text1()->toPlainText(), u"a\n"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(launcher.form(), nullptr);
    EXPECT_TRUE(launcher.form()->isVisible());

    launcher.form()->close(); // the close box
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(launcher.form(), nullptr);
}

TEST_F(JudgeListEditorTest, LauncherClosesEditorWithIt)
{
    write("a\r\n");
    QPointer<JudgeListEditor> form;
    {
        JudgeEditorLauncher launcher(path());
        launcher.show();
        form = launcher.form();
        ASSERT_TRUE(form);
    }
    EXPECT_FALSE(form);
}

} // namespace
} // namespace qv
