#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <climits>
#include <optional>

#include "controls/statusbar/DirectStatusBarTarget.h"
#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/OpenFileDialog.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "controls/statusbar/PanelsPage.h"
#include "controls/statusbar/QtOpenFileChooser.h"
#include "designer/PropertyPageDialog.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

Picture solid(QColor colour)
{
    QImage image(6, 5, QImage::Format_ARGB32);
    image.fill(colour);
    return Picture(image, Picture::Type::Bitmap);
}

// The shared scripted dialog, installed as the open-file chooser while it lives.
class ScriptedChooser final : public OpenFileChooser
{
public:
    ScriptedChooser() { m_previous = OpenFileDialog::setChooser(this); }
    ~ScriptedChooser() override { OpenFileDialog::setChooser(m_previous); }
    Q_DISABLE_COPY_MOVE(ScriptedChooser)
    QString chooseOpenFile(const OpenFileRequest& request) override
    {
        dialog.setDialogTitle(request.title.toStdString());
        dialog.setFilter(request.filter.toStdString());
        dialog.setDefaultExt(request.defaultExt.toStdString());
        return dialog.showOpen() ? QString::fromStdString(dialog.fileName()) : QString();
    }
    FakeFileDialog dialog;

private:
    OpenFileChooser* m_previous = nullptr;
};

// A bar of three panels with distinct values, and the Panels page looking at it.
class PanelsPageTest : public testing::Test
{
protected:
    void SetUp() override
    {
        bar.resize(600, 24);
        bar.AddPanel(120, u"Status: Idle"_s, u"status tip"_s, true, AutoSizeMode::NoAutoSize, solid(Qt::red));
        bar.setMinWidth(1, 120);
        bar.AddPanel(80, u"Found: 0"_s, u"found tip"_s, false, AutoSizeMode::Contents, solid(Qt::blue));
        bar.setMinWidth(2, 33);
        bar.AddPanel(70, u"Pending"_s, QString(), true, AutoSizeMode::Spring, Picture());
        bar.setMinWidth(3, 44);
        page.SelectionChanged(&target);
    }
    void show(int index) { page.hsb()->setValue(index); }
    void type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    PanelStatusBar bar;
    DirectStatusBarTarget target { bar };
    FakeMessageBox messages;
    ScriptedChooser chooser;
    PanelsPage page { nullptr, &messages };
};

TEST_F(PanelsPageTest, ScrollBarShowsEachPanelsFields)
{
    EXPECT_EQ(page.hsb()->minimum(), 1);
    EXPECT_EQ(page.hsb()->maximum(), 3);
    const QString rows[] = { u"1|Status: Idle|120|status tip|120|0 - NoAutoSize|on|picture"_s,
        u"2|Found: 0|%1|found tip|33|2 - Contents|off|picture"_s.arg(bar.PanelWidth(2)),
        u"3|Pending|%1||44|1 - Spring|on|none"_s.arg(bar.PanelWidth(3)) };
    for (int i = 1; i <= 3; ++i) {
        show(i);
        EXPECT_EQ(page.CurrentIndex(), i);
        const QStringList shown { page.txtIndex()->text(), page.Txt(0)->text(), page.Txt(1)->text(),
            page.Txt(2)->text(), page.Txt(3)->text(), page.Combo1()->currentText(),
            page.chkEnabled()->isChecked() ? u"on"_s : u"off"_s,
            page.picture().isNull() || page.picPanel()->pixmap().isNull() ? u"none"_s : u"picture"_s };
        EXPECT_EQ(shown.join(u'|'), rows[i - 1]);
        EXPECT_FALSE(page.Changed()) << "loading the fields is no edit";
    }
    EXPECT_TRUE(page.picPanel()->pixmap().isNull()) << "panel 3 has no picture";
}

TEST_F(PanelsPageTest, EditsMarkThePageAndGoToTheShownPanelBeforeTheScrollBarMoves)
{
    show(2);
    type(page.Txt(0), u"Found: 12"_s);
    EXPECT_TRUE(page.Changed());
    show(3);
    EXPECT_EQ(bar.PanelCaption(2), u"Found: 12"_s);
    EXPECT_EQ(bar.PanelCaption(3), u"Pending"_s);
    for (QWidget* edit : std::initializer_list<QWidget*> { page.Txt(1), page.Txt(2), page.Txt(3),
             page.txtMinWidth(), page.Combo1()->lineEdit() }) {
        page.setChanged(false);
        QTest::keyClicks(edit, u"1"_s);
        EXPECT_TRUE(page.Changed()) << edit->objectName().toStdString();
    }
    page.setChanged(false);
    QSignalSpy marks(&page, &PropertyPage::changedMarked);
    page.chkEnabled()->click();
    page.setChanged(true); // already marked: not announced again
    page.setChanged(false);
    EXPECT_EQ(marks, (QList<QVariantList> { { true }, { false } }));
}

TEST_F(PanelsPageTest, FieldsApplyAsTheyRead)
{
    show(2);
    type(page.Txt(1), QString());
    type(page.Txt(3), QString());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(page.Txt(1)->text(), u"100"_s) << "an empty width is the default";
    EXPECT_EQ(page.Txt(3)->text(), u"100"_s);
    EXPECT_EQ(bar.MinWidth(2), 100);
    bar.setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    EXPECT_EQ(bar.PanelWidth(2), 100);

    // The auto-size text maps to its mode; anything else is NoAutoSize.
    using enum AutoSizeMode;
    for (const auto& [text, mode] : { std::pair { u"2 - Contents"_s, Contents }, std::pair { u"1 - Spring"_s, Spring },
             std::pair { u"0 - NoAutoSize"_s, NoAutoSize }, std::pair { u"Spring"_s, NoAutoSize },
             std::pair { u"2"_s, NoAutoSize }, std::pair { u"2 - contents"_s, NoAutoSize } }) {
        bar.setPanelAutoSize(2, mode == Contents ? Spring : Contents);
        type(page.Combo1()->lineEdit(), text);
        ASSERT_TRUE(page.ApplyChanges());
        EXPECT_EQ(bar.PanelAutoSize(2), mode) << text.toStdString();
    }
    type(page.Txt(2), u"tip"_s);
    page.chkEnabled()->click();
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.ToolTipText(2), u"tip"_s);
    EXPECT_TRUE(bar.PanelEnabled(2));
}

TEST_F(PanelsPageTest, AddAndDeletePanels)
{
    show(2);
    type(page.Txt(0), u"edited"_s);
    page.addPanel();
    EXPECT_EQ(bar.PanelCaption(2), u"edited"_s);
    EXPECT_EQ(bar.NumberOfPanels(), 4);
    EXPECT_EQ(page.CurrentIndex(), 4);
    EXPECT_EQ(page.hsb()->maximum(), 4);
    EXPECT_EQ(page.txtIndex()->text(), u"4"_s);
    EXPECT_TRUE(page.Changed());
    EXPECT_EQ(bar.PanelCaption(4), QString()) << "until the apply the new panel is a plain one";
    EXPECT_TRUE(page.picture().isNull());

    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelCaption(4), u"edited"_s);
    EXPECT_EQ(bar.ToolTipText(4), u"found tip"_s);
    EXPECT_EQ(bar.MinWidth(4), 33);
    EXPECT_EQ(bar.PanelAutoSize(4), AutoSizeMode::Contents);
    EXPECT_FALSE(bar.PanelEnabled(4));
    EXPECT_TRUE(bar.PanelPicture(4).isNull());
    EXPECT_EQ(bar.PanelPicture(2), solid(Qt::blue)) << "panel 2 keeps its picture";

    // Delete removes the last panel, moving the page off it, but keeps one.
    page.deletePanel();
    EXPECT_EQ(page.CurrentIndex(), 3);
    EXPECT_EQ(page.Txt(0)->text(), u"Pending"_s);
    for (int i = 0; i < 3; ++i)
        page.deletePanel();
    EXPECT_EQ(bar.NumberOfPanels(), 1);
    EXPECT_EQ(page.hsb()->maximum(), 1);
}

TEST_F(PanelsPageTest, NumberThatIsNotANumberAppliesNothingAndNamesTheField)
{
    show(2);
    type(page.Txt(0), u"new caption"_s);
    type(page.Txt(3), u"55"_s);
    type(page.Txt(1), u"wide"_s);
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_EQ(bar.MinWidth(2), 33) << "the minimum width comes first but must not be written";
    EXPECT_EQ(bar.PanelCaption(2), u"Found: 0"_s);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.lastPrompt().find("Panel Width \"wide\"") < messages.lastPrompt().find("Min Width"))
        << "names the width only: " << messages.lastPrompt();
    type(page.Txt(1), u" 90 "_s);
    type(page.Txt(3), u"12.5x"_s);
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_NE(messages.lastPrompt().find("Min Width \"12.5x\""), std::string::npos) << messages.lastPrompt();

    // Moving to another panel or adding one with a bad number pending stays on the panel.
    show(3);
    page.addPanel();
    EXPECT_EQ(page.CurrentIndex(), 2);
    EXPECT_EQ(page.hsb()->value(), 2);
    EXPECT_EQ(page.Txt(0)->text(), u"new caption"_s);
    EXPECT_EQ(bar.NumberOfPanels(), 3);

    // Numbers convert as numbers do: fractions round to the even neighbour, exponents count.
    const std::pair<QString, std::optional<int>> conversions[] = { { u"12.5"_s, 12 }, { u"13.5"_s, 14 },
        { u"1e2"_s, 100 }, { u" -7 "_s, -7 }, { u"2147483647.4"_s, INT_MAX }, { u"2147483647.5"_s, std::nullopt },
        { u"99999999999"_s, std::nullopt }, { u"1e"_s, std::nullopt }, { u"inf"_s, std::nullopt },
        { u"12 5"_s, std::nullopt } };
    for (const auto& [text, value] : conversions) {
        bar.setMinWidth(2, 1);
        type(page.Txt(3), text);
        EXPECT_EQ(page.ApplyChanges(), value.has_value()) << text.toStdString();
        EXPECT_EQ(bar.MinWidth(2), value.value_or(1)) << text.toStdString();
    }
    EXPECT_EQ(bar.PanelCaption(2), u"new caption"_s);
}

TEST_F(PanelsPageTest, PictureChooserLoadsRemovesAndCancelChangesNothing)
{
    page.openPicture(); // cancelled
    ASSERT_EQ(chooser.dialog.showCount(), 1);
    EXPECT_EQ(chooser.dialog.shown()[0].title, "Load Picture");
    EXPECT_EQ(chooser.dialog.defaultExt(), "*.*");
    EXPECT_TRUE(OpenFileDialog::LastRequest().hideReadOnly);
    EXPECT_FALSE(page.Changed());
    EXPECT_EQ(page.picture(), solid(Qt::red));

    QTemporaryDir dir;
    QImage image(7, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(dir.filePath(u"pic.bmp"_s)));
    chooser.dialog.setNextFileName(dir.filePath(u"pic.bmp"_s).toStdString());
    page.openPicture();
    EXPECT_TRUE(page.Changed());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelPicture(1).widthPixels(), 7);

    page.setChanged(false);
    chooser.dialog.setNextFileName(dir.filePath(u"missing.bmp"_s).toStdString());
    page.openPicture();
    EXPECT_EQ(messages.count(), 1) << "a file that does not load is reported";
    EXPECT_FALSE(page.Changed());
    EXPECT_EQ(page.picture().widthPixels(), 7);

    page.removePicture();
    EXPECT_TRUE(page.Changed());
    EXPECT_TRUE(page.picPanel()->pixmap().isNull());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_TRUE(bar.PanelPicture(1).isNull());
}

TEST(PanelsPageEmptyBar, FieldsStayAndApplyNeedsAPanel)
{
    PanelStatusBar bar;
    DirectStatusBarTarget target(bar);
    FakeMessageBox messages;
    PanelsPage page(nullptr, &messages);
    page.Txt(0)->setText(u"kept"_s);
    page.SelectionChanged(&target);
    EXPECT_EQ(page.Txt(0)->text(), u"kept"_s);
    EXPECT_FALSE(page.hsb()->isEnabled());
    EXPECT_TRUE(page.ApplyChanges()) << "no panel shown: nothing to write";
    page.addPanel();
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelCaption(1), u"kept"_s);
    EXPECT_EQ(bar.MinWidth(1), 100);
    EXPECT_TRUE(bar.PanelEnabled(1)) << "a fresh page offers a new panel's values";
    EXPECT_TRUE(page.hsb()->isEnabled());
}

TEST(CommonDialog, ConvertFilterTurnsBarsIntoNulsAndEndsWithOne)
{
    const QString converted = OpenFileDialog::ConvertFilter(u"All Picture Files|*.bmp;*.ico;*.gif"_s);
    EXPECT_EQ(converted, u"All Picture Files"_s + QChar(0) + u"*.bmp;*.ico;*.gif"_s + QChar(0));
    EXPECT_EQ(OpenFileDialog::ConvertedFilter(), converted);
    EXPECT_EQ(OpenFileDialog::ConvertFilter(QString()), QString(QChar(0)));

    ScriptedChooser chooser;
    chooser.dialog.setNextFileName("/tmp/a b.ico");
    EXPECT_EQ(OpenFileDialog::ShowOpenDialog(u"T"_s, u"All Picture Files|*.bmp;*.ico;*.gif"_s, u"*.*"_s),
        u"/tmp/a b.ico"_s);
    EXPECT_EQ(QtOpenFileChooser::nameFilters(QString::fromStdString(chooser.dialog.shown().at(0).filter)),
        QStringList { u"All Picture Files (*.bmp *.ico *.gif)"_s })
        << "one entry covering three patterns";
    EXPECT_EQ(QtOpenFileChooser::nameFilters(OpenFileDialog::ConvertFilter(u"A|*.a|All|*.*"_s)),
        (QStringList { u"A (*.a)"_s, u"All (*)"_s }));
    EXPECT_EQ(OpenFileDialog::ShowOpenDialog(u"T"_s, u"x|*.x"_s, QString()), QString()) << "cancelled";
}

// The dialog applies every changed page; a page that cannot apply keeps it open.
TEST(PropertyDialog, AppliesChangedPagesAndStaysOpenOnAFailure)
{
    PanelStatusBar bar;
    bar.AddPanel(50, u"one"_s, QString(), true, AutoSizeMode::NoAutoSize, Picture());
    FakeMessageBox messages;
    PropertyPageDialog dialog(u"Properties"_s);
    auto* panels = new PanelsPage(nullptr, &messages);
    auto* general = new GeneralPage;
    dialog.addPage(panels);
    dialog.addPage(general);
    dialog.setTarget(std::make_unique<DirectStatusBarTarget>(bar));
    EXPECT_TRUE(general->chkShowGripper()->isChecked());
    EXPECT_FALSE(general->chkUseWindowsColors()->isEnabled());
    general->chkShowGripper()->click();
    EXPECT_TRUE(general->Changed());
    EXPECT_TRUE(bar.ShowGripper()) << "only an apply writes";
    panels->Txt(1)->setText(u"x"_s);
    panels->setChanged(true);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible()) << "a bad number keeps the dialog open";
    EXPECT_EQ(messages.count(), 1);
    panels->Txt(1)->setText(u"70"_s);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(bar.ShowGripper());
    EXPECT_FALSE(panels->Changed() || general->Changed());
    general->SelectionChanged(dialog.target());
    EXPECT_FALSE(general->chkShowGripper()->isChecked());
}

} // namespace
} // namespace qv
