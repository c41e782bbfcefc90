#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
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

TEST(QtFileDialog, FiltersTranslateFromTheBarForm)
{
    EXPECT_EQ(QtFileDialog::nameFilters("Text Files|*.txt|All Files|*.*"),
        (QStringList { QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)") }));
    EXPECT_EQ(
        QtFileDialog::nameFilters("Text File|*.txt|"), (QStringList { QStringLiteral("Text File (*.txt)") }));
    EXPECT_EQ(QtFileDialog::nameFilters("Pictures|*.bmp;*.ico"),
        (QStringList { QStringLiteral("Pictures (*.bmp *.ico)") }));
    EXPECT_TRUE(QtFileDialog::nameFilters("").isEmpty());
}

TEST(QtClipboard, TextRoundTripsAsLatin1)
{
    QtClipboard clipboard;
    clipboard.setText("10.0.0.1:8080 \xe9");
    EXPECT_EQ(clipboard.text(), "10.0.0.1:8080 \xe9");
    clipboard.clear();
    EXPECT_EQ(clipboard.text(), "");
}

// Answers the next modal box with the given button, once it is up.
void answerNextBox(QMessageBox::StandardButton button, QMessageBox::Icon* seenIcon)
{
    QTimer::singleShot(0, [button, seenIcon] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerNextBox(button, seenIcon);
            return;
        }
        *seenIcon = box->icon();
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    });
}

TEST(QtMessageBox, YesNoQuestionAnswersWithTheClassicCodes)
{
    QtMessageBox box;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    answerNextBox(QMessageBox::No, &icon);
    EXPECT_EQ(
        box.show("Set this proxy?", MessageBox::YesNo | MessageBox::Question, "Quorvane"), MessageBox::No);
    EXPECT_EQ(icon, QMessageBox::Question);
    answerNextBox(QMessageBox::Yes, &icon);
    EXPECT_EQ(box.show("Set this proxy?", 36, "Quorvane"), 6);
    answerNextBox(QMessageBox::Ok, &icon);
    EXPECT_EQ(box.show("Done", MessageBox::Information, ""), MessageBox::Ok);
    EXPECT_EQ(icon, QMessageBox::Information);
}

} // namespace
} // namespace qv
