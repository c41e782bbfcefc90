// A whole form editor (the one Qt Designer is built from) runs headless in the test process, with
// the built plugin found through the library path.
#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QExtensionManager>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
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
#include <QtDesigner/QDesignerWidgetDataBaseInterface>
#include <QtUiTools/QUiLoader>
#include <gtest/gtest.h>
#include <memory>

#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/PanelsPage.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "designer/DesignerStatusBarTarget.h"
#include "platform/gui/Color.h"
#include "platform/gui/PropertyStore.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

const QString FormUi = uR"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>MainWindow</class>
 <widget class="QWidget" name="MainWindow">
  <property name="geometry"><rect><x>0</x><y>0</y><width>400</width><height>300</height></rect></property>
  <widget class="qv::PanelStatusBar" name="StatusBar1">
   <property name="geometry"><rect><x>0</x><y>276</y><width>400</width><height>24</height></rect></property>
  </widget>
  <widget class="qv::StyleButton" name="CmdEdit">
   <property name="geometry"><rect><x>10</x><y>10</y><width>96</width><height>28</height></rect></property>
  </widget>
  <widget class="QPushButton" name="plain"/>
 </widget>
 <customwidgets>
  <customwidget><class>qv::PanelStatusBar</class><extends>QWidget</extends>
   <header>controls/statusbar/PanelStatusBar.h</header></customwidget>
  <customwidget><class>qv::StyleButton</class><extends>QWidget</extends>
   <header>controls/button/StyleButton.h</header></customwidget>
 </customwidgets>
</ui>
)"_s;

// The panels a bar's "panels" text describes, read back through a bar of our own.
std::unique_ptr<PanelStatusBar> panelsOf(const QObject* bar)
{
    auto copy = std::make_unique<PanelStatusBar>();
    copy->setPanelsText(bar->property("panels").toString());
    return copy;
}

QStringList actionTexts(QDesignerFormEditorInterface* core, QObject* object)
{
    QStringList texts;
    if (auto* menu = qt_extension<QDesignerTaskMenuExtension*>(core->extensionManager(), object)) {
        for (const QAction* action : menu->taskActions())
            texts << action->text();
    }
    return texts;
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
        ASSERT_NE(form, nullptr);
        form->setContents(FormUi);
        form->setDirty(false);
        form->commandHistory()->clear();
        bar = form->mainContainer()->findChild<QWidget*>(u"StatusBar1"_s);
        button = form->mainContainer()->findChild<QWidget*>(u"CmdEdit"_s);
        ASSERT_NE(bar, nullptr);
        ASSERT_NE(button, nullptr);
    }
    void TearDown() override
    {
        s_core->formWindowManager()->removeFormWindow(form);
        delete form;
    }

    // A number from the bar's "panels" text.
    int panelsValue(const QString& key) const
    {
        MemoryPropertyStore store;
        store.fromText(bar->property("panels").toString());
        return store.readInt(key).value_or(-1);
    }

    static QDesignerFormEditorInterface* s_core;
    QDesignerFormWindowInterface* form = nullptr;
    QWidget* bar = nullptr;
    QWidget* button = nullptr;
};

QDesignerFormEditorInterface* FormEditor::s_core = nullptr;

TEST_F(FormEditor, KnowsBothWidgetsAndGivesEditPanelsToTheStatusBarOnly)
{
    EXPECT_GE(s_core->widgetDataBase()->indexOfClassName(u"qv::PanelStatusBar"_s), 0);
    EXPECT_GE(s_core->widgetDataBase()->indexOfClassName(u"qv::StyleButton"_s), 0);
    EXPECT_STREQ(bar->metaObject()->className(), "qv::PanelStatusBar");
    EXPECT_EQ(actionTexts(s_core, bar), QStringList { u"Edit Panels..."_s });
    EXPECT_FALSE(actionTexts(s_core, button).contains(u"Edit Panels..."_s));
    QWidget* plain = form->mainContainer()->findChild<QWidget*>(u"plain"_s);
    EXPECT_FALSE(actionTexts(s_core, plain).contains(u"Edit Panels..."_s));
}

TEST_F(FormEditor, PanelEditsAreUndoStepsAndMarkTheFormChanged)
{
    FakeMessageBox messages;
    DesignerStatusBarTarget target(form, bar);
    PanelsPage page(nullptr, &messages);
    page.SelectionChanged(&target);

    page.addPanel();
    EXPECT_EQ(form->commandHistory()->count(), 1);
    EXPECT_TRUE(form->isDirty());
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 1);

    page.Txt(0)->setText(u"Status: Idle"_s);
    page.Txt(2)->setText(u"what the program does"_s);
    page.setChanged(true);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(form->commandHistory()->count(), 2) << "one apply, one step";
    EXPECT_EQ(panelsOf(bar)->PanelCaption(1), u"Status: Idle"_s);
    EXPECT_EQ(panelsOf(bar)->MinWidth(1), 100);

    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(form->commandHistory()->count(), 2) << "an apply that changes nothing adds no step";

    page.addPanel();
    page.Txt(0)->setText(u"Found: 0"_s);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 2);

    page.Txt(1)->setText(u"wide"_s);
    const int steps = form->commandHistory()->count();
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_EQ(form->commandHistory()->count(), steps);

    form->commandHistory()->undo();
    form->commandHistory()->undo();
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 1);
    EXPECT_EQ(panelsOf(bar)->PanelCaption(1), u"Status: Idle"_s);
    form->commandHistory()->undo();
    EXPECT_EQ(panelsOf(bar)->PanelCaption(1), QString());
    form->commandHistory()->undo();
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 0);
    form->commandHistory()->redo();
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 1);
}

TEST_F(FormEditor, WhatIsSetInTheDesignerIsSavedAndRestoredAtRunTime)
{
    FakeMessageBox messages;
    DesignerStatusBarTarget target(form, bar);
    PanelsPage panels(nullptr, &messages);
    GeneralPage general;
    panels.SelectionChanged(&target);
    general.SelectionChanged(&target);
    // Captions and tool tips keep their blanks and tabs through the page, the form and the loader.
    const QStringList captions { u"Found: "_s, u"    "_s, u"a\tb"_s };
    for (const QString& caption : captions) {
        panels.addPanel();
        panels.Txt(0)->setText(caption);
        panels.Txt(2)->setText(caption);
        panels.Combo1()->setCurrentText(caption == captions[0] ? u"1 - Spring"_s : u"2 - Contents"_s);
        ASSERT_TRUE(panels.ApplyChanges());
    }
    general.chkShowGripper()->setChecked(false);
    ASSERT_TRUE(general.ApplyChanges());
    EXPECT_FALSE(bar->property("ShowGripper").toBool());
    // What the property editor does for the button's own properties.
    form->cursor()->setWidgetProperty(button, u"Caption"_s, u"Edit"_s);
    form->cursor()->setWidgetProperty(button, u"ButtonType"_s, 7);
    form->cursor()->setWidgetProperty(button, u"ShowFocusRect"_s, false);
    form->cursor()->setWidgetProperty(button, u"ColorScheme"_s, 2);
    form->cursor()->setWidgetProperty(button, u"BackColor"_s, QColor(0x99, 0x66, 0x33));
    form->cursor()->setWidgetProperty(button, u"ForeOver"_s, QColor(0xFF, 0, 0));
    form->cursor()->setWidgetProperty(button, u"ForeColor"_s, QColor(0xFF, 0xFF, 0xFF));
    // A system colour, as the colour editor shows it: its RGB now, its index in the alpha.
    form->cursor()->setWidgetProperty(
        button, u"MaskColor"_s, toDesignerColor(SysColor::code(SysColor::Highlight)));
    form->cursor()->setWidgetProperty(bar, u"Apperance"_s, 1);

    const QByteArray saved = form->contents().toUtf8();
    // Settings text, not words to translate: uic sets it as it is.
    EXPECT_TRUE(saved.contains("<property name=\"panels\" stdset=\"0\">\n    <string notr=\"true\">"))
        << saved.toStdString();
    QProcess uic;
    uic.start(QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + u"/uic"_s, {});
    uic.write(saved);
    uic.closeWriteChannel();
    ASSERT_TRUE(uic.waitForFinished()) << uic.errorString().toStdString();
    const QByteArray code = uic.readAllStandardOutput();
    EXPECT_TRUE(code.contains("StatusBar1->setProperty(\"panels\", QVariant(QString::fromUtf8(\"numberofpanels"))
        << code.toStdString();
    EXPECT_TRUE(code.contains("ptext1 = str:Found:\\\\x20\\n")) << code.toStdString();
    EXPECT_TRUE(saved.contains("<property name=\"panels\" stdset=\"0\">\n    <string notr=\"true\">"))
        << saved.toStdString();
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QStringLiteral(QV_PLUGIN_ROOT "/designer"));
    QBuffer buffer;
    buffer.setData(saved);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> loaded(loader.load(&buffer));
    ASSERT_NE(loaded, nullptr) << loader.errorString().toStdString();
    QWidget* loadedBar = loaded->findChild<QWidget*>(u"StatusBar1"_s);
    QWidget* loadedButton = loaded->findChild<QWidget*>(u"CmdEdit"_s);
    ASSERT_NE(loadedBar, nullptr);
    ASSERT_NE(loadedButton, nullptr);
    EXPECT_STREQ(loadedBar->metaObject()->className(), "qv::PanelStatusBar");
    EXPECT_EQ(loadedBar->property("NumberOfPanels").toInt(), 3);
    EXPECT_EQ(loadedBar->property("panels").toString(), bar->property("panels").toString());
    const auto restored = panelsOf(loadedBar);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(restored->PanelCaption(i), captions[i - 1]) << i;
        EXPECT_EQ(restored->ToolTipText(i), captions[i - 1]) << i;
    }
    EXPECT_GT(restored->PanelWidth(2), 0) << "an all-blank Contents panel keeps its width";
    EXPECT_EQ(restored->PanelAutoSize(1), AutoSizeMode::Spring);
    EXPECT_FALSE(loadedBar->property("ShowGripper").toBool());
    EXPECT_EQ(loadedBar->property("Apperance").toInt(), 1);
    EXPECT_EQ(loadedButton->property("Caption").toString(), u"Edit"_s);
    EXPECT_EQ(loadedButton->property("ButtonType").toInt(), 7);
    EXPECT_FALSE(loadedButton->property("ShowFocusRect").toBool());
    EXPECT_EQ(loadedButton->property("ColorScheme").toInt(), 2);
    auto colour = [](const QWidget* widget, const char* name) {
        return fromDesignerColor(widget->property(name).value<QColor>());
    };
    EXPECT_EQ(colour(loadedButton, "BackColor"), 0x00336699u);
    // At design time the hover colours followed; the form must keep what the designer showed.
    EXPECT_EQ(colour(button, "BackOver"), 0x00336699u);
    EXPECT_EQ(colour(loadedButton, "BackOver"), 0x00336699u);
    EXPECT_EQ(colour(loadedButton, "ForeOver"), 0x00FFFFFFu);
    EXPECT_EQ(colour(loadedButton, "MaskColor"), SysColor::code(SysColor::Highlight));
    EXPECT_NE(saved.indexOf("alpha=\"241\""), -1) << "the system colour is saved as one";
}

// Designer shows a form in a window of its own inside its main window (an MDI child); the gripper
// follows the form's window, not the designer's.
TEST_F(FormEditor, GripperFollowsTheFormsWindowNotTheDesigners)
{
    PanelStatusBar spring;
    spring.AddPanel(100, QString(), QString(), true, AutoSizeMode::Spring);
    bar->setProperty("panels", spring.panelsText());
    QMainWindow designer;
    auto* area = new QMdiArea(&designer);
    designer.setCentralWidget(area);
    QMdiSubWindow* window = area->addSubWindow(form);
    designer.showMaximized();
    window->showNormal();
    EXPECT_EQ(panelsValue(u"PWidth1"_s), bar->width() - 15) << "room for the gripper";
    window->showMaximized();
    EXPECT_EQ(panelsValue(u"PWidth1"_s), bar->width());
    area->removeSubWindow(form);
    form->setParent(nullptr);
}

// The records stay with the bar, as when it is edited directly: one deleted in a session comes back
// when a later session adds the panel again; widths are the bar's own (here without a gripper).
TEST_F(FormEditor, PanelRecordsStayWithTheBarFromOneSessionToTheNext)
{
    PanelStatusBar source;
    source.AddPanel(100, u"Status"_s, QString(), true, AutoSizeMode::Spring);
    source.AddPanel(100, u"Pending"_s, QString(), true, AutoSizeMode::NoAutoSize);
    source.setMinWidth(2, 73);
    form->cursor()->setWidgetProperty(bar, u"panels"_s, source.panelsText());
    form->cursor()->setWidgetProperty(bar, u"ShowGripper"_s, false);
    FakeMessageBox messages;
    for (const int session : { 1, 2 }) {
        DesignerStatusBarTarget target(form, bar);
        PanelsPage page(nullptr, &messages);
        page.SelectionChanged(&target);
        EXPECT_EQ(page.Txt(1)->text().toInt(), bar->width() - (session == 1 ? 73 : 0));
        if (session == 1)
            page.deletePanel();
        else
            page.addPanel();
    }
    EXPECT_EQ(panelsValue(u"NumberOfPanels"_s), 2);
    EXPECT_EQ(panelsValue(u"MinWidth2"_s), 73) << "the old record is back";
    form->commandHistory()->undo();
    EXPECT_EQ(panelsValue(u"NumberOfPanels"_s), 1);
}

} // namespace
} // namespace qv
