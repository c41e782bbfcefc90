#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <climits>
#include <memory>
#include <optional>

#include "FakeOpenFileChooser.h"
#include "controls/statusbar/DirectStatusBarTarget.h"
#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/QtOpenFileChooser.h"
#include "controls/statusbar/PanelsPage.h"
#include "controls/statusbar/OpenFileDialog.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "designer/PropertyPageDialog.h"
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
    test::FakeOpenFileChooser chooser;
    qv::PanelsPage page { nullptr, &messages };
};

TEST_F(PanelsPageTest, SelectionShowsFirstPanelAndScrollBarFollowsCount)
{
    EXPECT_EQ(page.txtIndex()->text(), u"1"_s);
    EXPECT_EQ(page.CurrentIndex(), 1);
    EXPECT_EQ(page.hsb()->minimum(), 1);
    EXPECT_EQ(page.hsb()->maximum(), 3);
    EXPECT_EQ(page.Txt(0)->text(), u"Status: Idle"_s);
    EXPECT_EQ(page.Txt(1)->text(), u"120"_s);
    EXPECT_EQ(page.Txt(2)->text(), u"status tip"_s);
    EXPECT_EQ(page.Txt(3)->text(), u"120"_s);
    EXPECT_EQ(page.Combo1()->currentText(), u"0 - NoAutoSize"_s);
    EXPECT_TRUE(page.chkEnabled()->isChecked());
    EXPECT_EQ(page.picture(), solid(Qt::red));
    EXPECT_FALSE(page.picPanel()->pixmap().isNull());
    EXPECT_FALSE(page.Changed()) << "loading the fields is no edit";

    show(2);
    EXPECT_EQ(page.txtIndex()->text(), u"2"_s);
    EXPECT_EQ(page.Txt(0)->text(), u"Found: 0"_s);
    EXPECT_EQ(page.Txt(3)->text(), u"33"_s);
    EXPECT_EQ(page.Combo1()->currentText(), u"2 - Contents"_s);
    EXPECT_FALSE(page.chkEnabled()->isChecked());
    show(3);
    EXPECT_EQ(page.Combo1()->currentText(), u"1 - Spring"_s);
    EXPECT_TRUE(page.picture().isNull());
    EXPECT_TRUE(page.picPanel()->pixmap().isNull());
    EXPECT_FALSE(page.Changed());
}

TEST_F(PanelsPageTest, EditsMarkThePageAndGoToTheShownPanelBeforeTheScrollBarMoves)
{
    show(2);
    type(page.Txt(0), u"Found: 12"_s);
    EXPECT_TRUE(page.Changed());
    show(3);
    EXPECT_EQ(bar.PanelCaption(2), u"Found: 12"_s);
    EXPECT_EQ(bar.PanelCaption(3), u"Pending"_s);
    EXPECT_EQ(page.Txt(0)->text(), u"Pending"_s);
    EXPECT_EQ(page.CurrentIndex(), 3);

    for (QWidget* edit : { static_cast<QWidget*>(page.Txt(2)), static_cast<QWidget*>(page.txtMinWidth()) }) {
        page.setChanged(false);
        QTest::keyClicks(edit, u"x"_s);
        EXPECT_TRUE(page.Changed());
    }
    page.setChanged(false);
    page.chkEnabled()->click();
    EXPECT_TRUE(page.Changed());
}

TEST_F(PanelsPageTest, EmptyWidthAndMinWidthApplyAsHundred)
{
    show(2);
    type(page.Txt(1), QString());
    type(page.Txt(3), QString());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(page.Txt(1)->text(), u"100"_s);
    EXPECT_EQ(page.Txt(3)->text(), u"100"_s);
    EXPECT_EQ(bar.MinWidth(2), 100);
    bar.setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    EXPECT_EQ(bar.PanelWidth(2), 100);
}

TEST_F(PanelsPageTest, AutoSizeTextMapsToModeAndAnythingElseToNoAutoSize)
{
    const std::pair<QString, AutoSizeMode> cases[] = {
        { u"2 - Contents"_s, AutoSizeMode::Contents },
        { u"1 - Spring"_s, AutoSizeMode::Spring },
        { u"0 - NoAutoSize"_s, AutoSizeMode::NoAutoSize },
        { u"Spring"_s, AutoSizeMode::NoAutoSize },
        { u"2"_s, AutoSizeMode::NoAutoSize },
        { u"2 - contents"_s, AutoSizeMode::NoAutoSize },
    };
    show(2);
    for (const auto& [text, mode] : cases) {
        bar.setPanelAutoSize(2, AutoSizeMode::Contents);
        if (mode == AutoSizeMode::Contents)
            bar.setPanelAutoSize(2, AutoSizeMode::Spring);
        type(page.Combo1()->lineEdit(), text);
        EXPECT_TRUE(page.Changed());
        ASSERT_TRUE(page.ApplyChanges());
        EXPECT_EQ(bar.PanelAutoSize(2), mode) << text.toStdString();
    }
}

TEST_F(PanelsPageTest, AddPanelWhilePanelTwoShownCopiesItsFieldsWithoutPicture)
{
    show(2);
    page.addPanel();
    EXPECT_EQ(bar.NumberOfPanels(), 4);
    EXPECT_EQ(page.CurrentIndex(), 4);
    EXPECT_EQ(page.hsb()->maximum(), 4);
    EXPECT_EQ(page.txtIndex()->text(), u"4"_s);
    EXPECT_TRUE(page.Changed());
    // Until the apply the new panel is the plain one AddPanel makes; the fields still show panel 2.
    EXPECT_EQ(bar.PanelCaption(4), QString());
    EXPECT_EQ(page.Txt(0)->text(), u"Found: 0"_s);
    EXPECT_TRUE(page.picture().isNull());

    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelCaption(4), u"Found: 0"_s);
    EXPECT_EQ(bar.ToolTipText(4), u"found tip"_s);
    EXPECT_EQ(bar.MinWidth(4), 33);
    EXPECT_EQ(bar.PanelAutoSize(4), AutoSizeMode::Contents);
    EXPECT_FALSE(bar.PanelEnabled(4));
    EXPECT_TRUE(bar.PanelPicture(4).isNull());
    EXPECT_EQ(bar.PanelPicture(2), solid(Qt::blue)) << "panel 2 keeps its picture";
    bar.setPanelAutoSize(4, AutoSizeMode::NoAutoSize);
    EXPECT_EQ(bar.PanelWidth(4), 33);
}

TEST_F(PanelsPageTest, AddPanelAppliesPendingEditsFirst)
{
    type(page.Txt(0), u"edited"_s);
    page.addPanel();
    EXPECT_EQ(bar.PanelCaption(1), u"edited"_s);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelCaption(4), u"edited"_s);
}

TEST_F(PanelsPageTest, DeleteRemovesLastPanelButKeepsOne)
{
    show(3);
    page.deletePanel();
    EXPECT_EQ(bar.NumberOfPanels(), 2);
    EXPECT_EQ(page.hsb()->maximum(), 2);
    EXPECT_EQ(page.CurrentIndex(), 2) << "the scroll bar moved off the deleted panel";
    EXPECT_EQ(page.Txt(0)->text(), u"Found: 0"_s);
    page.deletePanel();
    page.deletePanel();
    EXPECT_EQ(bar.NumberOfPanels(), 1);
    EXPECT_EQ(page.hsb()->maximum(), 1);
    EXPECT_TRUE(page.Changed());
    EXPECT_TRUE(page.cmdDelete()->isEnabled());
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
    ASSERT_EQ(messages.count(), 1);
    EXPECT_NE(messages.lastPrompt().find("Panel Width \"wide\""), std::string::npos) << messages.lastPrompt();
    EXPECT_EQ(messages.lastPrompt().find("Min Width"), std::string::npos);

    type(page.Txt(1), u" 90 "_s);
    type(page.Txt(3), u"12.5x"_s);
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_NE(messages.lastPrompt().find("Min Width \"12.5x\""), std::string::npos) << messages.lastPrompt();
    EXPECT_EQ(bar.PanelCaption(2), u"Found: 0"_s);

    // Moving to another panel with a bad number pending stays on the panel and keeps the edits.
    show(3);
    EXPECT_EQ(page.CurrentIndex(), 2);
    EXPECT_EQ(page.hsb()->value(), 2);
    EXPECT_EQ(page.txtIndex()->text(), u"2"_s);
    EXPECT_EQ(page.Txt(0)->text(), u"new caption"_s);
    // So does Add Panel.
    page.addPanel();
    EXPECT_EQ(bar.NumberOfPanels(), 3);

    // Numbers convert as numbers do: fractions round to the even neighbour, exponents count.
    const std::pair<QString, std::optional<int>> conversions[] = {
        { u"12.5"_s, 12 },
        { u"13.5"_s, 14 },
        { u"1e2"_s, 100 },
        { u" -7 "_s, -7 },
        { u"2147483647.4"_s, INT_MAX },
        { u"2147483647.5"_s, std::nullopt },
        { u"99999999999"_s, std::nullopt },
        { u"1e"_s, std::nullopt },
        { u"inf"_s, std::nullopt },
        { u"12 5"_s, std::nullopt },
    };
    for (const auto& [text, value] : conversions) {
        SCOPED_TRACE(text.toStdString());
        bar.setMinWidth(2, 1);
        type(page.Txt(3), text);
        EXPECT_EQ(page.ApplyChanges(), value.has_value());
        EXPECT_EQ(bar.MinWidth(2), value.value_or(1));
    }
    EXPECT_EQ(bar.PanelCaption(2), u"new caption"_s);
}

TEST_F(PanelsPageTest, PictureChooserLoadsRemovesAndCancelChangesNothing)
{
    show(1);
    chooser.setNextPath(QString());
    page.openPicture();
    ASSERT_EQ(chooser.requests().size(), 1u);
    EXPECT_EQ(chooser.requests()[0].title, u"Load Picture"_s);
    EXPECT_EQ(chooser.requests()[0].defaultExt, u"*.*"_s);
    EXPECT_TRUE(chooser.requests()[0].hideReadOnly);
    EXPECT_FALSE(page.Changed());
    EXPECT_EQ(page.picture(), solid(Qt::red));
    EXPECT_EQ(messages.count(), 0);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"pic.bmp"_s);
    QImage image(7, 3, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(path));
    chooser.setNextPath(path);
    page.openPicture();
    EXPECT_TRUE(page.Changed());
    EXPECT_EQ(page.picture().widthPixels(), 7);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelPicture(1).widthPixels(), 7);

    page.setChanged(false);
    chooser.setNextPath(dir.filePath(u"missing.bmp"_s));
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

// Records the writes that reach the bar, in order.
class RecordingTarget final : public StatusBarEditTarget
{
public:
    explicit RecordingTarget(PanelStatusBar& bar)
        : m_direct(bar)
    {
    }
    int NumberOfPanels() const override { return m_direct.NumberOfPanels(); }
    QString PanelCaption(int i) const override { return m_direct.PanelCaption(i); }
    int PanelWidth(int i) const override { return m_direct.PanelWidth(i); }
    QString ToolTipText(int i) const override { return m_direct.ToolTipText(i); }
    int MinWidth(int i) const override { return m_direct.MinWidth(i); }
    AutoSizeMode PanelAutoSize(int i) const override { return m_direct.PanelAutoSize(i); }
    bool PanelEnabled(int i) const override { return m_direct.PanelEnabled(i); }
    Picture PanelPicture(int i) const override { return m_direct.PanelPicture(i); }
    bool ShowGripper() const override { return m_direct.ShowGripper(); }
    void setMinWidth(int i, int v) override { log(u"MinWidth(%1)=%2"_s.arg(i).arg(v)); }
    void setPanelCaption(int i, const QString& v) override { log(u"PanelCaption(%1)=%2"_s.arg(i).arg(v)); }
    void setPanelWidth(int i, int v) override { log(u"PanelWidth(%1)=%2"_s.arg(i).arg(v)); }
    void setToolTipText(int i, const QString& v) override { log(u"ToolTipText(%1)=%2"_s.arg(i).arg(v)); }
    void setPanelAutoSize(int i, AutoSizeMode v) override
    {
        log(u"PanelAutoSize(%1)=%2"_s.arg(i).arg(static_cast<int>(v)));
    }
    void setPanelEnabled(int i, bool v) override
    {
        log(u"PanelEnabled(%1)=%2"_s.arg(i).arg(v ? u"true"_s : u"false"_s));
    }
    void setPanelPicture(int i, const Picture& v) override
    {
        log(u"PanelPicture(%1)=%2"_s.arg(i).arg(v.isNull() ? u"none"_s : u"set"_s));
    }
    void setShowGripper(bool v) override { log(u"ShowGripper=%1"_s.arg(v ? u"true"_s : u"false"_s)); }
    int AddPanel(int w, const QString& c, const QString& t, bool e, AutoSizeMode a, const Picture& p) override
    {
        log(u"AddPanel"_s);
        return m_direct.AddPanel(w, c, t, e, a, p);
    }
    void DeletePanel() override { log(u"DeletePanel"_s); }
    void beginEdit(const QString&) override { log(u"begin"_s); }
    void endEdit() override { log(u"end"_s); }

    QStringList calls;

private:
    void log(const QString& call) { calls << call; }
    DirectStatusBarTarget m_direct;
};

TEST_F(PanelsPageTest, ApplyWritesEveryFieldInOrderAsOneEdit)
{
    RecordingTarget recording(bar);
    page.SelectionChanged(&recording);
    show(2);
    type(page.Txt(1), u"90"_s);
    type(page.Txt(2), u"tip"_s);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(recording.calls.join(u'|').toStdString(),
        "begin|MinWidth(2)=33|PanelCaption(2)=Found: "
        "0|PanelWidth(2)=90|ToolTipText(2)=tip|PanelAutoSize(2)=2|"
        "PanelEnabled(2)=false|PanelPicture(2)=set|end");
    recording.calls.clear();
    type(page.Txt(1), u"1e3 px"_s);
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_TRUE(recording.calls.isEmpty()) << recording.calls.join(u' ').toStdString();
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
    EXPECT_EQ(bar.NumberOfPanels(), 1);
    EXPECT_EQ(bar.PanelCaption(1), u"kept"_s);
    EXPECT_EQ(bar.MinWidth(1), 100);
    EXPECT_TRUE(page.hsb()->isEnabled());
}

TEST(CommonDialog, ConvertFilterTurnsBarsIntoNulsAndEndsWithOne)
{
    const QString converted = OpenFileDialog::ConvertFilter(u"All Picture Files|*.bmp;*.ico;*.gif"_s);
    EXPECT_EQ(converted, u"All Picture Files"_s + QChar(0) + u"*.bmp;*.ico;*.gif"_s + QChar(0));
    EXPECT_EQ(OpenFileDialog::ConvertedFilter(), converted);
    EXPECT_EQ(OpenFileDialog::ConvertFilter(QString()), QString(QChar(0)));

    test::FakeOpenFileChooser chooser;
    chooser.setNextPath(u"/tmp/a b.ico"_s);
    EXPECT_EQ(OpenFileDialog::ShowOpenDialog(u"T"_s, u"All Picture Files|*.bmp;*.ico;*.gif"_s, u"*.*"_s),
        u"/tmp/a b.ico"_s);
    // The dialog sees one entry covering three patterns.
    EXPECT_EQ(QtOpenFileChooser::nameFilters(chooser.requests().at(0).filter),
        QStringList { u"All Picture Files (*.bmp *.ico *.gif)"_s });
    EXPECT_EQ(QtOpenFileChooser::nameFilters(OpenFileDialog::ConvertFilter(u"A|*.a|All|*.*"_s)),
        (QStringList { u"A (*.a)"_s, u"All (*)"_s }));
    EXPECT_EQ(OpenFileDialog::ShowOpenDialog(u"T"_s, u"x|*.x"_s, QString()), QString()) << "cancelled";
    EXPECT_EQ(OpenFileDialog::LastRequest().title, u"T"_s);
}

TEST(GeneralPage, MirrorsAndSetsShowGripper)
{
    PanelStatusBar bar;
    DirectStatusBarTarget target(bar);
    GeneralPage page;
    EXPECT_FALSE(page.chkUseWindowsColors()->isEnabled());
    bar.setShowGripper(false);
    page.SelectionChanged(&target);
    EXPECT_FALSE(page.chkShowGripper()->isChecked());
    bar.setShowGripper(true);
    page.SelectionChanged(&target);
    EXPECT_TRUE(page.chkShowGripper()->isChecked());
    EXPECT_FALSE(page.Changed());

    page.chkShowGripper()->click();
    EXPECT_TRUE(page.Changed());
    EXPECT_TRUE(bar.ShowGripper()) << "only an apply writes";
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_FALSE(bar.ShowGripper());
}

TEST(PropertyDialog, AppliesChangedPagesClearsMarksAndStaysOpenOnAFailure)
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
    EXPECT_FALSE(dialog.applyButton()->isEnabled());

    general->chkShowGripper()->click();
    panels->Txt(0)->setText(u"renamed"_s);
    panels->setChanged(true);
    EXPECT_TRUE(dialog.applyButton()->isEnabled());
    dialog.applyButton()->click();
    EXPECT_EQ(bar.PanelCaption(1), u"renamed"_s);
    EXPECT_FALSE(bar.ShowGripper());
    EXPECT_FALSE(panels->Changed());
    EXPECT_FALSE(general->Changed());
    EXPECT_FALSE(dialog.applyButton()->isEnabled());

    panels->Txt(1)->setText(u"x"_s);
    panels->setChanged(true);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible()) << "a bad number keeps the dialog open";
    EXPECT_TRUE(panels->Changed());
    EXPECT_EQ(messages.count(), 1);
    panels->Txt(1)->setText(u"70"_s);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace qv
