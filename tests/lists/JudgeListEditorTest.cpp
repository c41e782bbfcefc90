#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include "controls/button/StyleButton.h"
#include "lists/JudgeEditorLauncher.h"
#include "lists/JudgeListEditor.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

class JudgeListEditorTest : public testing::Test
{
protected:
    QByteArray read() const { return test::readFile(path); }
    void write(const QByteArray& bytes) const { ASSERT_TRUE(test::writeFile(path, bytes)); }
    static QString status(const JudgeListEditor& form) { return form.Label1()->text(); }
    static QString error(int number) { return u"Status: "_s + QString::fromLocal8Bit(std::strerror(number)); }

    QTemporaryDir dir;
    const std::string path = dir.filePath(u"judgescripts.txt"_s).toStdString();
};

// Loading and saving unchanged leaves the file as it was, but for its line ends.
TEST_F(JudgeListEditorTest, LoadThenSaveUnchanged)
{
    struct Case
    {
        QByteArray file;
        QString shown;
        QByteArray saved;
    };
    const Case cases[] = { { "a\r\nb\r\n", u"a\nb\n"_s, "a\r\nb\r\n" },
        { "a\r\nb", u"a\nb\n"_s, "a\r\nb\r\n" }, { "a\r\n\r\nb\r\n", u"a\n\nb\n"_s, "a\r\n\r\nb\r\n" },
        { "a\rb\r", u"a\nb\n"_s, "a\r\nb\r\n" }, { "a\nb\n", u"a\nb\n"_s, "a\r\nb\r\n" },
        { "a\r\nb\nc\rd", u"a\nb\nc\nd\n"_s, "a\r\nb\r\nc\r\nd\r\n" },
        { "http://h\xE9.example/\xA0j\r\n", u"http://h\u00E9.example/\u00A0j\n"_s,
            "http://h\xE9.example/\xA0j\r\n" },
        { "", u""_s, "\r\n" }, { "\r\n", u"\n"_s, "\r\n" },
        // Longer than the list reader's cap: read whole, not cut.
        { QByteArray(70000, 'j') + "\r\nb\r\n", QString(70000, u'j') + u"\nb\n"_s,
            QByteArray(70000, 'j') + "\r\nb\r\n" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.left(40).toStdString());
        write(c.file);
        JudgeListEditor form(path);
        EXPECT_EQ(form.Text1()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), c.shown);
        EXPECT_EQ(status(form), u"Status: Idle..."_s);
        Q_EMIT form.styleButton1()->Click();
        EXPECT_EQ(status(form), u"Status: File saved."_s);
        EXPECT_EQ(read(), c.saved);
    }
}

TEST_F(JudgeListEditorTest, MissingFileIsReportedAndSaveCreatesIt)
{
    JudgeListEditor form(path);
    EXPECT_TRUE(form.Text1()->toPlainText().isEmpty());
    EXPECT_EQ(status(form), error(ENOENT));
    EXPECT_TRUE(form.Label1()->toolTip().contains(QString::fromStdString(path)));
    form.Text1()->setPlainText(u"http://one/\nhttp://two/"_s);
    form.saveChanges();
    EXPECT_EQ(read(), QByteArray("http://one/\r\nhttp://two/\r\n"));
    form.Text1()->clear();
    form.saveChanges();
    EXPECT_EQ(read(), QByteArray("\r\n"));
}

TEST_F(JudgeListEditorTest, WhatCouldNotBeReadIsNeverOverwritten)
{
    const std::string folder = dir.filePath(u"folder"_s).toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    const QByteArray big = QByteArray(JudgeListEditor::kMaxFileBytes, 'x') + "\r\n";
    write(big);
    for (const auto& [file, shown] : { std::pair { folder, error(EISDIR) },
             std::pair { path, u"Status: file larger than 4 MiB, not opened"_s } }) {
        JudgeListEditor form(file);
        EXPECT_EQ(status(form), shown);
        EXPECT_TRUE(form.Text1()->toPlainText().isEmpty());
        form.Text1()->setPlainText(u"http://judge/"_s);
        form.saveChanges();
        EXPECT_EQ(status(form), u"Status: not saved: the file could not be read"_s);
        EXPECT_TRUE(form.Label1()->toolTip().contains(QString::fromStdString(file)));
    }
    EXPECT_TRUE(QFileInfo(QString::fromStdString(folder)).isDir());
    EXPECT_EQ(read(), big);
}

TEST_F(JudgeListEditorTest, TextThatCannotBeSavedWhollyIsReported)
{
    write("http://a/\r\n");
    JudgeListEditor form(path);
    for (const auto& [text, shown] : { std::pair { u"http://a/\nhttp://\u20AC/\n"_s,
                                           u"Status: not saved: \"\u20AC\" (U+20AC) on line 2"_s },
             std::pair {
                 u"http://\U0001F600/"_s, u"Status: not saved: \"\U0001F600\" (U+1F600) on line 1"_s } }) {
        form.Text1()->setPlainText(text);
        form.saveChanges();
        EXPECT_EQ(status(form), shown);
    }
    EXPECT_EQ(read(), QByteArray("http://a/\r\n"));

    // A file that cannot be created, or not written whole, is reported; the dialog stays.
    for (const std::string& target :
        { dir.filePath(u"missing/judgescripts.txt"_s).toStdString(), std::string("/dev/full") }) {
        JudgeListEditor failing(path, target);
        failing.show();
        Q_EMIT failing.styleButton1()->Click();
        EXPECT_TRUE(status(failing).startsWith(u"Status: "_s)) << target;
        EXPECT_TRUE(status(failing).endsWith(
            QString::fromLocal8Bit(std::strerror(target == "/dev/full" ? ENOSPC : ENOENT))))
            << status(failing).toStdString();
        EXPECT_TRUE(failing.isVisible());
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"missing"_s)));
}

TEST_F(JudgeListEditorTest, LauncherShowsOneEditorKeepsUnsavedEditsAndClosesWithIt)
{
    write("a\r\n");
    QPointer<JudgeListEditor> last;
    {
        JudgeEditorLauncher launcher(path);
        launcher.show();
        JudgeListEditor* first = launcher.form();
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(first->isVisible());
        EXPECT_FALSE(first->isModal());
        EXPECT_EQ(first->windowTitle(), u"Edit Proxy Judge Scripts"_s);
        EXPECT_EQ(first->styleButton1()->Caption() + u'|' + first->styleButton2()->Caption(),
            u"Save Changes|Cancel"_s);
        // A fixed tool window whose controls neither overlap nor stick out.
        EXPECT_TRUE(first->windowFlags().testFlag(Qt::Tool));
        EXPECT_EQ(first->minimumSize(), first->maximumSize());
        const QList<QWidget*> controls { first->Text1(), first->styleButton1(), first->styleButton2(),
            first->Label1() };
        for (QWidget* a : controls) {
            EXPECT_TRUE(first->rect().contains(a->geometry())) << a->objectName().toStdString();
            for (QWidget* b : controls)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                    << a->objectName().toStdString();
        }
        first->Text1()->setPlainText(u"edited"_s);
        launcher.show(); // already open: not read again
        EXPECT_EQ(launcher.form(), first);
        EXPECT_EQ(first->Text1()->toPlainText(), u"edited"_s);

        Q_EMIT first->styleButton2()->Click(); // Cancel: no question, nothing saved
        EXPECT_FALSE(first->isVisible());
        EXPECT_EQ(read(), QByteArray("a\r\n"));
        launcher.show(); // before the closed one is deleted
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_NE(launcher.form(), nullptr);
        EXPECT_EQ(launcher.form()->Text1()->toPlainText(), u"a\n"_s);
        EXPECT_TRUE(launcher.form()->isVisible());

        launcher.form()->close(); // the close box
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(launcher.form(), nullptr);
        launcher.show();
        last = launcher.form();
        ASSERT_TRUE(last);
    }
    EXPECT_FALSE(last) << "the editor closes with its launcher";
}

} // namespace
} // namespace qv
