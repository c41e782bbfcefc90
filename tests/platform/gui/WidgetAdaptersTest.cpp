#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

#include "platform/gui/ComboListBox.h"
#include "platform/gui/QtClipboard.h"
#include "platform/gui/QtFileDialog.h"
#include "platform/gui/QtMessageBox.h"
#include "platform/gui/TreeListView.h"

namespace qv {
namespace {

class TreeListViewTest : public ::testing::Test
{
protected:
    std::vector<std::string> column(int n) const
    {
        std::vector<std::string> texts;
        for (int r = 0; r < m_view.rowCount(); ++r)
            texts.push_back(m_view.subItem(r, n));
        return texts;
    }

    QTreeView m_tree;
    TreeListView m_view { &m_tree, QStringList(4) };
};

using Texts = std::vector<std::string>;

TEST_F(TreeListViewTest, RowsAndSubItems)
{
    m_view.addRow("", { "1.2.3.4", "80", "3" });
    m_view.addRow("own", { "5.6.7.8", "3128", "\xe9" });
    ASSERT_EQ(m_view.rowCount(), 2);
    EXPECT_EQ(m_view.rowText(1), "own");
    EXPECT_EQ(m_view.subItem(1, 3), "\xe9") << "Latin-1 passes through";
    EXPECT_EQ(m_view.subItem(1, 4), "");
    EXPECT_EQ(m_view.subItem(2, 1), "");
    EXPECT_EQ(m_view.rowText(-1), "");
    EXPECT_EQ(m_tree.model()->data(m_tree.model()->index(1, 3)).toString(), QStringLiteral("\u00e9"))
        << "the view shows the text as Latin-1";
    m_view.addRow("x", { "", "", "", "past the last column" });
    m_view.addRow("y", { "only one" });
    EXPECT_EQ(m_view.subItem(2, 3), "");
    EXPECT_EQ(m_view.rowText(2), "x");
    EXPECT_EQ(m_view.subItem(3, 1), "only one");
    EXPECT_EQ(m_view.subItem(3, 2), "");
    m_view.removeRow(3);
    m_view.removeRow(2);
    EXPECT_EQ(m_view.selectedRow(), -1);
    m_view.setSelectedRow(1);
    EXPECT_EQ(m_view.selectedRow(), 1);
    m_view.removeRow(0);
    EXPECT_EQ(m_view.selectedRow(), 0) << "selection stays with its row";
    m_view.setSelectedRow(-1);
    EXPECT_EQ(m_view.selectedRow(), -1);
    m_view.removeRow(7);
    m_view.clear();
    EXPECT_EQ(m_view.rowCount(), 0);
}

TEST_F(TreeListViewTest, SortsAsTextAscendingAndKeepsSortingNewRows)
{
    for (const char* port : { "80", "1080", "8080", "3128" })
        m_view.addRow("", { std::string("10.0.0.") + port, port, "" });
    EXPECT_EQ(column(2), (Texts { "80", "1080", "8080", "3128" })) << "unsorted keeps arrival order";
    m_view.setSortKey(2);
    EXPECT_EQ(column(2), (Texts { "80", "1080", "8080", "3128" })) << "the key alone does not sort";
    m_view.setSorted(true);
    EXPECT_EQ(column(2), (Texts { "1080", "3128", "80", "8080" }));
    m_view.addRow("", { "a", "443", "" });
    m_view.addRow("", { "b", "1080", "" });
    EXPECT_EQ(column(2), (Texts { "1080", "1080", "3128", "443", "80", "8080" }));
    EXPECT_EQ(m_view.subItem(1, 1), "b") << "an equal key goes after the rows already there";
    EXPECT_TRUE(m_view.isSorted());
    EXPECT_EQ(m_view.sortKey(), 2);
}

TEST_F(TreeListViewTest, SortingByTheEmptyColumnKeepsOrderAndSelection)
{
    m_view.addRow("", { "B", "1", "" });
    m_view.addRow("", { "a", "2", "" });
    m_view.addRow("", { "C", "3", "" });
    m_view.setSelectedRow(2);
    m_view.setSortKey(1);
    m_view.setSorted(true);
    EXPECT_EQ(column(1), (Texts { "a", "B", "C" })) << "letter case does not split the order";
    EXPECT_EQ(m_view.subItem(m_view.selectedRow(), 1), "C");
    m_view.addRow("", { "0", "4", "" });
    EXPECT_EQ(m_view.subItem(m_view.selectedRow(), 1), "C") << "a row sorted in above moves the selection along";
    m_view.removeRow(0);
    m_view.setSortKey(0);
    EXPECT_EQ(column(1), (Texts { "a", "B", "C" }));
}

TEST(ComboListBox, BehavesLikeAListBox)
{
    QComboBox combo;
    ComboListBox list(&combo);
    EXPECT_TRUE(list.addItem("http://a/"));
    EXPECT_EQ(list.selectedIndex(), -1) << "adding selects nothing";
    EXPECT_TRUE(list.addItem("http://B/\xC9"));
    list.setSelectedIndex(0);
    EXPECT_EQ(list.text(), "http://a/");
    EXPECT_EQ(combo.currentText(), QStringLiteral("http://a/"));
    EXPECT_EQ(list.selectByText("HTTP://b/\xE9"), 1);
    EXPECT_EQ(list.selectedIndex(), 1);
    EXPECT_EQ(list.selectByText("http://"), -1);
    EXPECT_EQ(list.selectedIndex(), 1);
    list.setSelectedIndex(9);
    EXPECT_EQ(list.selectedIndex(), -1);
    list.removeItem(0);
    EXPECT_EQ(list.item(0), "http://B/\xC9");
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(list.addItem(""));
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.item(0), "");
}

TEST(ComboListBox, HoldsAtMost32767Entries)
{
    QComboBox combo;
    ComboListBox list(&combo);
    for (int i = 0; i < ListBox::kMaxEntries; ++i)
        ASSERT_TRUE(list.addItem("x"));
    EXPECT_FALSE(list.addItem("one too many"));
    EXPECT_EQ(list.count(), ListBox::kMaxEntries);
}

// Answers the next modal widget of type T once it is up (giving up after a bounded number of turns).
template <typename T>
void answerNext(std::function<void(T*)> answer, int turns = 1000)
{
    QTimer::singleShot(0, [answer, turns] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()))
            answer(modal);
        else if (turns > 0)
            answerNext<T>(answer, turns - 1);
    });
}

TEST(QtMessageBox, AnswersWithTheClassicCodesAndShowsTheIcon)
{
    struct Row
    {
        int style;
        QMessageBox::StandardButton click; // NoButton: escape
        int answer;
        QMessageBox::Icon icon;
    };
    const Row rows[] = {
        { MessageBox::YesNo | MessageBox::Question, QMessageBox::No, MessageBox::No, QMessageBox::Question },
        { 36, QMessageBox::Yes, 6, QMessageBox::Question },
        { MessageBox::YesNo, QMessageBox::NoButton, MessageBox::No, QMessageBox::NoIcon },
        { MessageBox::Information, QMessageBox::Ok, MessageBox::Ok, QMessageBox::Information },
        { MessageBox::Critical, QMessageBox::NoButton, MessageBox::Ok, QMessageBox::Critical },
        { MessageBox::Exclamation, QMessageBox::Ok, MessageBox::Ok, QMessageBox::Warning },
    };
    QtMessageBox box;
    for (const Row& row : rows) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        answerNext<QMessageBox>([&](QMessageBox* shown) {
            icon = shown->icon(), title = shown->windowTitle(), text = shown->text();
            if (row.click == QMessageBox::NoButton)
                shown->reject();
            else
                shown->button(row.click)->click();
        });
        EXPECT_EQ(box.show("Set this proxy?", row.style, row.style == 36 ? "" : "Quorvane"), row.answer) << row.style;
        EXPECT_EQ(icon, row.icon) << row.style;
        EXPECT_EQ(text, QStringLiteral("Set this proxy?"));
        EXPECT_EQ(title, row.style == 36 ? QCoreApplication::applicationName() : QStringLiteral("Quorvane"));
    }
}

TEST(QtFileDialog, FiltersTranslateFromTheBarForm)
{
    const std::pair<std::string, QStringList> rows[] = {
        { "Text Files|*.txt|All Files|*.*", { QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)") } },
        { "Text File|*.txt|", { QStringLiteral("Text File (*.txt)") } },
        { "Pictures|*.bmp;*.ico", { QStringLiteral("Pictures (*.bmp *.ico)") } }, { "", {} } };
    for (const auto& [filter, names] : rows)
        EXPECT_EQ(QtFileDialog::nameFilters(filter), names) << filter;
}

// The real dialog, answered headless: what it offers and the file each answer leaves.
TEST(QtFileDialog, OpenAndSaveAnswerWithTheChosenFile)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("list.txt"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QtFileDialog dialog;
    dialog.setFilter("Text Files|*.txt|All Files|*.*");
    dialog.setDialogTitle("Load Proxies");
    dialog.setDefaultExt(".txt");
    dialog.setFileName(existing.toStdString());
    QFileDialog::AcceptMode mode {};
    QStringList offered;
    answerNext<QFileDialog>([&](QFileDialog* shown) {
        mode = shown->acceptMode();
        offered = shown->nameFilters() << shown->windowTitle() << shown->defaultSuffix() << shown->selectedFiles();
        static_cast<QDialog*>(shown)->accept(); // the file dialog checks the choice first
    });
    EXPECT_TRUE(dialog.showOpen());
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(offered,
        (QStringList { QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)"),
            QStringLiteral("Load Proxies"), QStringLiteral("txt"), existing }));
    EXPECT_EQ(dialog.fileName(), existing.toStdString());

    answerNext<QFileDialog>([](QFileDialog* shown) { shown->reject(); });
    EXPECT_FALSE(dialog.showSave());
    EXPECT_EQ(dialog.fileName(), existing.toStdString()) << "a cancel keeps the last name";

    answerNext<QFileDialog>([&](QFileDialog* shown) {
        mode = shown->acceptMode();
        shown->selectFile(dir.filePath(QStringLiteral("found")));
        static_cast<QDialog*>(shown)->accept(); // the file dialog checks the choice first
    });
    EXPECT_TRUE(dialog.showSave());
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.fileName(), dir.filePath(QStringLiteral("found.txt")).toStdString()) << "the default extension";
}

TEST(QtClipboard, TextRoundTripsAsLatin1)
{
    QtClipboard clipboard;
    clipboard.setText("10.0.0.1:8080 \xe9");
    EXPECT_EQ(clipboard.text(), "10.0.0.1:8080 \xe9");
    clipboard.clear();
    EXPECT_EQ(clipboard.text(), "");
}

} // namespace
} // namespace qv
