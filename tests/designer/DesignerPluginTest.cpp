// The status bar's property pages, and a whole headless form editor loading the built plugin.
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QExtensionManager>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QtDesigner/QDesignerComponents>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowCursorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerPropertyEditorInterface>
#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtUiTools/QUiLoader>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

#include "controls/statusbar/DirectStatusBarTarget.h"
#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/OpenFileDialog.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "controls/statusbar/PanelsPage.h"
#include "controls/statusbar/QtOpenFileChooser.h"
#include "designer/DesignerStatusBarTarget.h"
#include "designer/PropertyPageDialog.h"
#include "platform/gui/Color.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// The panels a bar's "panels" text describes, read back through a bar of our own.
std::unique_ptr<PanelStatusBar> panelsOf(const QObject* bar)
{
    auto copy = std::make_unique<PanelStatusBar>();
    copy->setPanelsText(bar->property("panels").toString());
    return copy;
}

// A panel's fields as the page shows them: caption|tip|min width|auto size|enabled|picture.
QString fields(const PanelStatusBar& bar, int i)
{
    return u"%1|%2|%3|%4|%5|%6"_s.arg(bar.PanelCaption(i), bar.ToolTipText(i),
        QString::number(bar.MinWidth(i)), QString::number(int(bar.PanelAutoSize(i))),
        QString::number(int(bar.PanelEnabled(i))), bar.PanelPicture(i).isNull() ? u"none"_s : u"picture"_s);
}

class FormEditor : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        QCoreApplication::addLibraryPath(QStringLiteral(QV_PLUGIN_ROOT));
        QDesignerComponents::initializeResources();
        s_core = QDesignerComponents::createFormEditor(nullptr);
        s_core->setPropertyEditor(QDesignerComponents::createPropertyEditor(s_core, nullptr));
        if (!s_core->integration())
            s_core->setIntegration(new QDesignerIntegration(s_core, s_core));
        QDesignerComponents::initializePlugins(s_core);
    }
    static void TearDownTestSuite()
    {
        delete s_core->propertyEditor();
        delete s_core;
        s_core = nullptr;
    }
    void SetUp() override
    {
        form = s_core->formWindowManager()->createFormWindow(nullptr);
        form->setContents(uR"(<ui version="4.0"><class>Form</class><widget class="QWidget" name="Form">
  <widget class="qv::PanelStatusBar" name="StatusBar1"/>
  <widget class="qv::StyleButton" name="CmdEdit"/></widget></ui>)"_s);
        form->setDirty(false);
        form->commandHistory()->clear();
        bar = form->mainContainer()->findChild<QWidget*>(u"StatusBar1"_s);
        button = form->mainContainer()->findChild<QWidget*>(u"CmdEdit"_s);
        ASSERT_TRUE(bar && button);
    }
    void TearDown() override
    {
        s_core->formWindowManager()->removeFormWindow(form);
        delete form;
    }

    static QDesignerFormEditorInterface* s_core;
    QDesignerFormWindowInterface* form = nullptr;
    QWidget* bar = nullptr;
    QWidget* button = nullptr;
    FakeMessageBox messages;
};

QDesignerFormEditorInterface* FormEditor::s_core = nullptr;

TEST_F(FormEditor, PanelEditsAreUndoStepsMarkTheFormChangedAndRecordsStayWithTheBar)
{
    // The plugin's task menu offers Edit Panels for the status bar only.
    for (QWidget* widget : { bar, button }) {
        auto* menu = qt_extension<QDesignerTaskMenuExtension*>(s_core->extensionManager(), widget);
        EXPECT_EQ(
            menu && !menu->taskActions().isEmpty() && menu->taskActions()[0]->text() == u"Edit Panels..."_s,
            widget == bar);
    }
    DesignerStatusBarTarget target(form, bar);
    PanelsPage page(nullptr, &messages);
    page.SelectionChanged(&target);
    page.addPanel();
    EXPECT_TRUE(form->commandHistory()->count() == 1 && form->isDirty());

    page.Txt(0)->setText(u"Status: Idle"_s);
    ASSERT_TRUE(page.ApplyChanges());
    ASSERT_TRUE(page.ApplyChanges()) << "the second changes nothing and adds no step";
    EXPECT_EQ(form->commandHistory()->count(), 2);
    EXPECT_EQ(fields(*panelsOf(bar), 1), u"Status: Idle||100|0|1|none"_s);

    // Each change made outside an apply is a step of its own, named for what it did.
    const Picture picture(QImage(4, 4, QImage::Format_RGB32), Picture::Type::Bitmap);
    const std::pair<std::function<void()>, QString> steps[] = { { [&] { target.setPanelCaption(1, u"c"_s); },
                                                                    u"Change text of panel 1"_s },
        { [&] { target.setToolTipText(1, u"t"_s); }, u"Change tool tip of panel 1"_s },
        { [&] { target.setPanelPicture(1, picture); }, u"Change picture of panel 1"_s },
        { [&] { target.setShowGripper(false); }, u"Hide gripper"_s },
        { [&] { target.AddPanel(40, u"two"_s, {}, true, AutoSizeMode::NoAutoSize, {}); }, u"Add panel 2"_s },
        { [&] { target.DeletePanel(); }, u"Delete last panel"_s } };
    for (const auto& [change, text] : steps) {
        change();
        EXPECT_EQ(form->commandHistory()->undoText(), text);
    }
    EXPECT_EQ(form->commandHistory()->count(), 2 + int(std::size(steps)));
    EXPECT_EQ(panelsOf(bar)->PanelCaption(1) + panelsOf(bar)->ToolTipText(1), u"ct"_s);

    // The records stay with the bar: a panel deleted in one session gets its record back when a later
    // session adds it again, and widths are the bar's own (here without a gripper).
    PanelStatusBar source;
    source.AddPanel(100, u"Status"_s, QString(), true, AutoSizeMode::Spring);
    source.AddPanel(100, u"Pending"_s, QString(), true, AutoSizeMode::NoAutoSize);
    source.setMinWidth(2, 73);
    form->cursor()->setWidgetProperty(bar, u"panels"_s, source.panelsText());
    form->cursor()->setWidgetProperty(bar, u"ShowGripper"_s, false);
    for (const int session : { 1, 2 }) {
        DesignerStatusBarTarget next(form, bar);
        PanelsPage nextPage(nullptr, &messages);
        nextPage.SelectionChanged(&next);
        EXPECT_EQ(nextPage.Txt(1)->text().toInt(), bar->width() - (session == 1 ? 73 : 0));
        session == 1 ? nextPage.deletePanel() : nextPage.addPanel();
    }
    EXPECT_EQ(panelsOf(bar)->NumberOfPanels() * 1000 + panelsOf(bar)->MinWidth(2), 2073)
        << "the old record is back";
}

TEST_F(FormEditor, WhatIsSetInTheDesignerIsSavedAndRestoredAtRunTime)
{
    DesignerStatusBarTarget target(form, bar);
    PanelsPage panels(nullptr, &messages);
    GeneralPage general;
    panels.SelectionChanged(&target);
    general.SelectionChanged(&target);
    // Captions and tool tips keep their blanks, tabs and markup through the page, the form and the loader.
    const QStringList captions { u"Found: "_s, u"    "_s, u"a\tb"_s, u"0 & <more>"_s };
    for (const QString& caption : captions) {
        panels.addPanel();
        panels.Txt(0)->setText(caption);
        panels.Txt(2)->setText(caption);
        panels.Combo1()->setCurrentText(caption == captions[0] ? u"1 - Spring"_s : u"2 - Contents"_s);
        ASSERT_TRUE(panels.ApplyChanges());
    }
    general.chkShowGripper()->setChecked(false);
    ASSERT_TRUE(general.ApplyChanges());
    // What the property editor does for the button's own properties.
    for (const auto& [name, value] : { std::pair { "BackColor", QVariant(QColor(0x99, 0x66, 0x33)) },
             std::pair { "ForeOver", QVariant(QColor(0xFF, 0, 0)) },
             std::pair { "ForeColor", QVariant(QColor(0xFF, 0xFF, 0xFF)) },
             // A system colour, as the colour editor shows it: its RGB now, its index in the alpha.
             std::pair { "MaskColor", QVariant(toDesignerColor(SysColor::code(SysColor::Highlight))) } })
        form->cursor()->setWidgetProperty(button, QString::fromLatin1(name), value);
    form->cursor()->setWidgetProperty(bar, u"Apperance"_s, 1);

    QByteArray saved = form->contents().toUtf8();
    // Settings text, not words to translate: uic sets it as it is, without a translate call.
    EXPECT_TRUE(saved.contains("<property name=\"panels\" stdset=\"0\">\n    <string notr=\"true\">"))
        << saved.toStdString();
    EXPECT_NE(saved.indexOf("alpha=\"241\""), -1) << "the system colour is saved as one";
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QStringLiteral(QV_PLUGIN_ROOT "/designer"));
    QBuffer buffer(&saved);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> loaded(loader.load(&buffer));
    ASSERT_NE(loaded, nullptr) << loader.errorString().toStdString();
    const QWidget* loadedBar = loaded->findChild<QWidget*>(u"StatusBar1"_s);
    const QWidget* loadedButton = loaded->findChild<QWidget*>(u"CmdEdit"_s);
    ASSERT_TRUE(loadedBar && loadedButton);
    EXPECT_EQ(loadedBar->property("panels").toString(), bar->property("panels").toString());
    const auto restored = panelsOf(loadedBar);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(fields(*restored, i), u"%1|%1|100|%2|1|none"_s.arg(captions[i - 1]).arg(i == 1 ? 1 : 2));
    EXPECT_GT(restored->PanelWidth(2), 0) << "an all-blank Contents panel keeps its width";
    EXPECT_EQ(QPoint(loadedBar->property("ShowGripper").toInt(), loadedBar->property("Apperance").toInt()),
        QPoint(0, 1));
    // The form keeps what the designer showed, hover colours that followed at design time included.
    for (const char* name : { "BackColor", "BackOver", "ForeColor", "ForeOver", "MaskColor" })
        EXPECT_EQ(loadedButton->property(name), button->property(name)) << name;
    EXPECT_EQ(fromDesignerColor(button->property("BackOver").value<QColor>()), 0x00336699u);
    EXPECT_EQ(fromDesignerColor(button->property("ForeOver").value<QColor>()), 0x00FFFFFFu);
    EXPECT_EQ(fromDesignerColor(loadedButton->property("MaskColor").value<QColor>()),
        SysColor::code(SysColor::Highlight));
}

// Designer shows a form in an MDI child of its main window; the gripper follows the form's window.
TEST_F(FormEditor, GripperFollowsTheFormsWindowNotTheDesigners)
{
    PanelStatusBar spring;
    spring.AddPanel(100, QString(), QString(), true, AutoSizeMode::Spring);
    bar->setProperty("panels", spring.panelsText());
    QMdiArea area;
    QMdiSubWindow* window = area.addSubWindow(form);
    area.showMaximized();
    window->showNormal();
    const auto springWidth = [&](int width) {
        return bar->property("panels").toString().contains(u"pwidth1 = int:%1\n"_s.arg(width));
    };
    EXPECT_TRUE(springWidth(bar->width() - 15)) << "room for the gripper";
    window->showMaximized();
    EXPECT_TRUE(springWidth(bar->width()));
    area.removeSubWindow(form);
    form->setParent(nullptr);
}

Picture solid(QColor colour)
{
    QImage image(6, 5, QImage::Format_ARGB32);
    image.fill(colour);
    return Picture(image, Picture::Type::Bitmap);
}

// A bar of three panels with distinct values, and the Panels page looking at it. The page's open-file
// requests are answered here: each next answer once, then cancel.
class PanelsPageTest : public testing::Test, public OpenFileChooser
{
protected:
    void SetUp() override
    {
        OpenFileDialog::setChooser(this);
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
    void TearDown() override { OpenFileDialog::setChooser(nullptr); }
    QString chooseOpenFile(const OpenFileRequest& request) override
    {
        requests.push_back(request);
        return std::exchange(next, QString());
    }

    PanelStatusBar bar;
    DirectStatusBarTarget target { bar };
    FakeMessageBox messages;
    PanelsPage page { nullptr, &messages };
    std::vector<OpenFileRequest> requests;
    QString next;
};

TEST_F(PanelsPageTest, ScrollBarShowsEachPanelEditsMarkThePageAndPanelsAreAddedAndDeleted)
{
    EXPECT_EQ(QPoint(page.hsb()->minimum(), page.hsb()->maximum()), QPoint(1, 3)); // panels count from 1
    const QString rows[] = { u"1|Status: Idle|120|status tip|120|0 - NoAutoSize|on|picture"_s,
        u"2|Found: 0|%1|found tip|33|2 - Contents|off|picture"_s.arg(bar.PanelWidth(2)),
        u"3|Pending|%1||44|1 - Spring|on|none"_s.arg(bar.PanelWidth(3)) };
    for (int i = 1; i <= 3; ++i) {
        show(i);
        const QStringList shown { page.txtIndex()->text(), page.Txt(0)->text(), page.Txt(1)->text(),
            page.Txt(2)->text(), page.Txt(3)->text(), page.Combo1()->currentText(),
            page.chkEnabled()->isChecked() ? u"on"_s : u"off"_s,
            page.picture().isNull() || page.picPanel()->pixmap().isNull() ? u"none"_s : u"picture"_s };
        EXPECT_EQ(shown.join(u'|'), rows[i - 1]);
        EXPECT_FALSE(page.Changed()) << "loading the fields is no edit";
    }
    // The picture's two buttons are the same narrow size beside it.
    const auto* open = page.findChild<QWidget*>(u"cmdOpenDlg"_s);
    const auto* remove = page.findChild<QWidget*>(u"cmdDel"_s);
    EXPECT_TRUE(open && remove && open->maximumWidth() == 40 && remove->maximumWidth() == 40);

    show(2);
    type(page.Txt(0), u"Found: 12"_s);
    EXPECT_TRUE(page.Changed());
    show(3);
    EXPECT_EQ(bar.PanelCaption(2) + u'|' + bar.PanelCaption(3), u"Found: 12|Pending"_s);
    for (QWidget* edit : std::initializer_list<QWidget*> {
             page.Txt(1), page.Txt(2), page.Txt(3), page.txtMinWidth(), page.Combo1()->lineEdit() }) {
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

    // A new panel copies the fields shown, its picture aside.
    show(2);
    type(page.Txt(0), u"edited"_s);
    page.addPanel();
    EXPECT_EQ(QPoint(bar.NumberOfPanels(), page.CurrentIndex()), QPoint(4, 4));
    EXPECT_TRUE(page.Changed() && page.picture().isNull());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(fields(bar, 2) + u'/' + fields(bar, 4),
        u"edited|found tip|33|2|0|picture/edited|found tip|33|2|0|none"_s);

    // Delete removes the last panel, moving the page off it, but keeps one.
    page.deletePanel();
    EXPECT_EQ(QString::number(page.CurrentIndex()) + page.Txt(0)->text(), u"3Pending"_s);
    for (int i = 0; i < 3; ++i)
        page.deletePanel();
    EXPECT_EQ(QPoint(bar.NumberOfPanels(), page.hsb()->maximum()), QPoint(1, 1));
}

TEST_F(PanelsPageTest, FieldsApplyAsTheyReadAndNotANumberNamesTheField)
{
    show(2);
    type(page.Txt(0), u"new caption"_s);
    type(page.Txt(3), u"55"_s);
    type(page.Txt(1), u"wide"_s);
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_EQ(fields(bar, 2), u"Found: 0|found tip|33|2|0|picture"_s) << "the minimum width comes first";
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
    EXPECT_EQ(QPoint(page.hsb()->value(), bar.NumberOfPanels()), QPoint(2, 3));
    EXPECT_EQ(page.Txt(0)->text(), u"new caption"_s);

    // Numbers convert as numbers do: fractions round to the even neighbour, exponents count.
    const std::pair<QString, std::optional<int>> conversions[]
        = { { u"12.5"_s, 12 }, { u"13.5"_s, 14 }, { u"1e2"_s, 100 }, { u"2147483647.4"_s, INT_MAX },
              { u"2147483647.5"_s, std::nullopt }, { u"1e"_s, std::nullopt }, { u"12 5"_s, std::nullopt } };
    for (const auto& [text, value] : conversions) {
        bar.setMinWidth(2, 1);
        type(page.Txt(3), text);
        EXPECT_EQ(page.ApplyChanges(), value.has_value()) << text.toStdString();
        EXPECT_EQ(bar.MinWidth(2), value.value_or(1)) << text.toStdString();
    }

    type(page.Txt(1), QString());
    type(page.Txt(3), QString());
    type(page.Txt(2), u"tip"_s);
    page.chkEnabled()->click();
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(page.Txt(1)->text() + u'|' + page.Txt(3)->text(), u"100|100"_s)
        << "an empty width is the default";
    EXPECT_EQ(fields(bar, 2), u"new caption|tip|100|2|1|picture"_s);
    bar.setPanelAutoSize(2, AutoSizeMode::NoAutoSize);
    EXPECT_EQ(bar.PanelWidth(2), 100);

    // The auto-size text maps to its mode; anything else is NoAutoSize.
    using enum AutoSizeMode;
    for (const auto& [text, mode] :
        { std::pair { u"2 - Contents"_s, Contents }, std::pair { u"1 - Spring"_s, Spring },
            std::pair { u"0 - NoAutoSize"_s, NoAutoSize }, std::pair { u"2 - contents"_s, NoAutoSize } }) {
        bar.setPanelAutoSize(2, mode == Contents ? Spring : Contents);
        type(page.Combo1()->lineEdit(), text);
        ASSERT_TRUE(page.ApplyChanges());
        EXPECT_EQ(bar.PanelAutoSize(2), mode) << text.toStdString();
    }
}

TEST_F(PanelsPageTest, PictureChooserLoadsRemovesAndCancelChangesNothing)
{
    page.openPicture(); // cancelled
    ASSERT_EQ(requests.size(), 1u);
    const OpenFileRequest asked = requests[0];
    EXPECT_EQ(asked.title + u' ' + asked.defaultExt, u"Load Picture *.*"_s);
    // Bars become NULs, one more ends the list; the chooser offers one entry covering three patterns.
    EXPECT_EQ(asked.filter, u"All Picture Files"_s + QChar(0) + u"*.bmp;*.ico;*.gif"_s + QChar(0) + QChar(0));
    EXPECT_EQ(QtOpenFileChooser::nameFilters(asked.filter),
        QStringList { u"All Picture Files (*.bmp *.ico *.gif)"_s });
    EXPECT_TRUE(!page.Changed() && page.picture() == solid(Qt::red)) << "cancel changes nothing";

    QTemporaryDir dir;
    ASSERT_TRUE(solid(Qt::green).image().scaled(7, 3).save(dir.filePath(u"pic.bmp"_s)));
    next = dir.filePath(u"pic.bmp"_s);
    page.openPicture();
    EXPECT_TRUE(page.Changed());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar.PanelPicture(1).widthPixels(), 7);

    page.setChanged(false);
    next = dir.filePath(u"missing.bmp"_s);
    page.openPicture();
    EXPECT_TRUE(messages.count() == 1 && !page.Changed() && page.picture().widthPixels() == 7)
        << "a file that does not load is reported and changes nothing";

    page.removePicture();
    EXPECT_TRUE(page.Changed() && page.picPanel()->pixmap().isNull());
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_TRUE(bar.PanelPicture(1).isNull());
}

// A page that cannot apply keeps the dialog open; with no panel the page keeps its fields for Add Panel.
TEST(PropertyDialog, AppliesChangedPagesAndStaysOpenOnAFailure)
{
    PanelStatusBar bar;
    FakeMessageBox messages;
    PropertyPageDialog dialog(u"Properties"_s);
    auto* panels = new PanelsPage(nullptr, &messages);
    auto* general = new GeneralPage;
    dialog.addPage(panels);
    dialog.addPage(general);
    panels->Txt(0)->setText(u"kept"_s);
    dialog.setTarget(std::make_unique<DirectStatusBarTarget>(bar));
    EXPECT_TRUE(panels->Txt(0)->text() == u"kept"_s && !panels->hsb()->isEnabled());
    EXPECT_TRUE(panels->ApplyChanges()) << "no panel shown: nothing to write";
    EXPECT_TRUE(general->chkShowGripper()->isChecked() && !general->chkUseWindowsColors()->isEnabled());
    general->chkShowGripper()->click();
    EXPECT_TRUE(bar.ShowGripper()) << "only an apply writes";
    panels->addPanel();
    panels->Txt(1)->setText(u"x"_s);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible() && messages.count() == 1) << "a bad number keeps the dialog open";
    panels->Txt(1)->setText(u"70"_s);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible() || bar.ShowGripper() || panels->Changed() || general->Changed());
    EXPECT_EQ(fields(bar, 1), u"kept||100|0|1|none"_s) << "a fresh page offers a new panel's values";
    general->SelectionChanged(dialog.target());
    EXPECT_FALSE(general->chkShowGripper()->isChecked());
}

} // namespace
} // namespace qv
