// A whole form editor (the one Qt Designer is built from) runs headless in the test process, with
// the built plugin found through the library path.
#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QExtensionManager>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QXmlStreamReader>
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
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QtUiTools/QUiLoader>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "controls/statusbar/PanelsPage.h"
#include "designer/DesignerStatusBarTarget.h"
#include "platform/gui/Color.h"
#include "platform/gui/PropertyStore.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

const QString FormUi = uR"(<ui version="4.0"><class>Form</class><widget class="QWidget" name="Form">
  <property name="geometry"><rect><x>0</x><y>0</y><width>400</width><height>300</height></rect></property>
  <widget class="qv::PanelStatusBar" name="StatusBar1">
   <property name="geometry"><rect><x>0</x><y>276</y><width>400</width><height>24</height></rect></property>
  </widget>
  <widget class="qv::StyleButton" name="CmdEdit"/><widget class="QPushButton" name="plain"/></widget></ui>)"_s;

// The panels a bar's "panels" text describes, read back through a bar of our own.
std::unique_ptr<PanelStatusBar> panelsOf(const QObject* bar)
{
    auto copy = std::make_unique<PanelStatusBar>();
    copy->setPanelsText(bar->property("panels").toString());
    return copy;
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
    int panelsValue(const QString& key) const
    {
        MemoryPropertyStore store;
        store.fromText(bar->property("panels").toString());
        return store.readInt(key).value_or(-1);
    }
    QStringList taskActions(QObject* object) const
    {
        QStringList texts;
        if (auto* menu = qt_extension<QDesignerTaskMenuExtension*>(s_core->extensionManager(), object)) {
            for (const QAction* action : menu->taskActions())
                texts << action->text();
        }
        return texts;
    }
    QUndoStack* history() const { return form->commandHistory(); }

    static QDesignerFormEditorInterface* s_core;
    QDesignerFormWindowInterface* form = nullptr;
    QWidget* bar = nullptr;
    QWidget* button = nullptr;
    FakeMessageBox messages;
};

QDesignerFormEditorInterface* FormEditor::s_core = nullptr;

TEST_F(FormEditor, KnowsBothWidgetsAndGivesEditPanelsToTheStatusBarOnly)
{
    EXPECT_GE(s_core->widgetDataBase()->indexOfClassName(u"qv::StyleButton"_s), 0);
    EXPECT_STREQ(button->metaObject()->className(), "qv::StyleButton");
    EXPECT_STREQ(bar->metaObject()->className(), "qv::PanelStatusBar");
    EXPECT_EQ(taskActions(bar), QStringList { u"Edit Panels..."_s });
    EXPECT_FALSE(taskActions(button).contains(u"Edit Panels..."_s));
    EXPECT_FALSE(taskActions(form->mainContainer()->findChild<QWidget*>(u"plain"_s)).contains(u"Edit Panels..."_s));
}

TEST_F(FormEditor, PanelEditsAreUndoStepsAndMarkTheFormChanged)
{
    DesignerStatusBarTarget target(form, bar);
    PanelsPage page(nullptr, &messages);
    page.SelectionChanged(&target);
    page.addPanel();
    EXPECT_EQ(history()->count(), 1);
    EXPECT_TRUE(form->isDirty());
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 1);

    page.Txt(0)->setText(u"Status: Idle"_s);
    page.Txt(2)->setText(u"what the program does"_s);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(history()->count(), 2) << "one apply, one step";
    EXPECT_EQ(panelsOf(bar)->PanelCaption(1), u"Status: Idle"_s);
    EXPECT_EQ(panelsOf(bar)->MinWidth(1), 100);
    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(history()->count(), 2) << "an apply that changes nothing adds no step";
    page.Txt(1)->setText(u"wide"_s);
    EXPECT_FALSE(page.ApplyChanges());
    EXPECT_EQ(history()->count(), 2);

    // Each change made outside an apply is a step of its own, named for what it did.
    const Picture picture(QImage(4, 4, QImage::Format_RGB32), Picture::Type::Bitmap);
    const std::pair<std::function<void()>, QString> steps[] = {
        { [&] { target.setPanelCaption(1, u"c"_s); }, u"Change text of panel 1"_s },
        { [&] { target.setToolTipText(1, u"t"_s); }, u"Change tool tip of panel 1"_s },
        { [&] { target.setMinWidth(1, 7); }, u"Change minimum width of panel 1"_s },
        { [&] { target.setPanelAutoSize(1, AutoSizeMode::Contents); }, u"Change auto size of panel 1"_s },
        { [&] { target.setPanelEnabled(1, false); }, u"Change enabled state of panel 1"_s },
        { [&] { target.setPanelPicture(1, picture); }, u"Change picture of panel 1"_s },
        { [&] { target.setShowGripper(false); }, u"Hide gripper"_s },
        { [&] { target.setShowGripper(true); }, u"Show gripper"_s },
        { [&] { target.AddPanel(40, u"two"_s, {}, true, AutoSizeMode::NoAutoSize, {}); }, u"Add panel 2"_s },
        { [&] { target.DeletePanel(); }, u"Delete last panel"_s } };
    for (const auto& [change, text] : steps) {
        const int before = history()->count();
        change();
        EXPECT_EQ(history()->count(), before + 1) << text.toStdString();
        EXPECT_EQ(history()->undoText(), text);
    }
    const auto now = panelsOf(bar);
    EXPECT_EQ(now->PanelCaption(1) + now->ToolTipText(1), u"ct"_s);
    EXPECT_EQ(now->MinWidth(1), 7);
    EXPECT_EQ(now->PanelAutoSize(1), AutoSizeMode::Contents);
    EXPECT_FALSE(now->PanelEnabled(1));
    EXPECT_FALSE(now->PanelPicture(1).isNull());
    EXPECT_EQ(now->NumberOfPanels(), 1);

    while (history()->canUndo())
        history()->undo();
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 0);
    history()->redo();
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 1);
    EXPECT_EQ(panelsOf(bar)->PanelCaption(1), QString());
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
    for (const auto& [name, value] : { std::pair { "Caption", QVariant(u"Edit"_s) }, std::pair { "ButtonType", QVariant(7) },
             std::pair { "ShowFocusRect", QVariant(false) }, std::pair { "ColorScheme", QVariant(2) },
             std::pair { "BackColor", QVariant(QColor(0x99, 0x66, 0x33)) },
             std::pair { "ForeOver", QVariant(QColor(0xFF, 0, 0)) },
             std::pair { "ForeColor", QVariant(QColor(0xFF, 0xFF, 0xFF)) },
             // A system colour, as the colour editor shows it: its RGB now, its index in the alpha.
             std::pair { "MaskColor", QVariant(toDesignerColor(SysColor::code(SysColor::Highlight))) } })
        form->cursor()->setWidgetProperty(button, QString::fromLatin1(name), value);
    form->cursor()->setWidgetProperty(bar, u"Apperance"_s, 1);

    const QByteArray saved = form->contents().toUtf8();
    // Settings text, not words to translate: uic sets it as it is, without a translate call.
    EXPECT_TRUE(saved.contains("<property name=\"panels\" stdset=\"0\">\n    <string notr=\"true\">")) << saved.toStdString();
    EXPECT_NE(saved.indexOf("alpha=\"241\""), -1) << "the system colour is saved as one";
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QStringLiteral(QV_PLUGIN_ROOT "/designer"));
    QBuffer buffer;
    buffer.setData(saved);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> loaded(loader.load(&buffer));
    ASSERT_NE(loaded, nullptr) << loader.errorString().toStdString();
    const QWidget* loadedBar = loaded->findChild<QWidget*>(u"StatusBar1"_s);
    const QWidget* loadedButton = loaded->findChild<QWidget*>(u"CmdEdit"_s);
    ASSERT_NE(loadedBar, nullptr);
    ASSERT_NE(loadedButton, nullptr);
    EXPECT_EQ(loadedBar->property("NumberOfPanels").toInt(), 4);
    EXPECT_EQ(loadedBar->property("panels").toString(), bar->property("panels").toString());
    const auto restored = panelsOf(loadedBar);
    for (int i = 1; i <= 4; ++i) {
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
    EXPECT_EQ(panelsValue(u"PWidth1"_s), bar->width() - 15) << "room for the gripper";
    window->showMaximized();
    EXPECT_EQ(panelsValue(u"PWidth1"_s), bar->width());
    area.removeSubWindow(form);
    form->setParent(nullptr);
}

TEST(DesignerPlugin, OffersBothControlsWithWritableSettings)
{
    QPluginLoader loader { QStringLiteral(QV_DESIGNER_PLUGIN_FILE) };
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    ASSERT_NE(collection, nullptr);
    QStringList offered;
    QStringList readOnly;
    for (QDesignerCustomWidgetInterface* plugin : collection->customWidgets()) {
        const QString name = plugin->name();
        offered << name + u' ' + plugin->includeFile();
        EXPECT_FALSE(plugin->icon().isNull() || plugin->toolTip().isEmpty() || plugin->isContainer());
        EXPECT_EQ(plugin->group(), u"Quorvane"_s);
        QXmlStreamReader dom(plugin->domXml());
        while (!dom.atEnd())
            dom.readNext();
        EXPECT_FALSE(dom.hasError()) << dom.errorString().toStdString();
        EXPECT_TRUE(plugin->domXml().contains(u"class=\"%1\""_s.arg(name)));
        std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()), name);
        // Every setting Designer shows can be written; colours go to its colour editor.
        const QMetaObject* meta = widget->metaObject();
        for (int i = meta->superClass()->propertyCount(); i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            const QString what = QString::fromLatin1(property.name());
            if (property.isDesignable() && !property.isWritable())
                readOnly << what;
            EXPECT_TRUE(!QRegularExpression(u"^(Back|Fore|Mask)(Color|Over)"_s).match(what).hasMatch()
                || property.metaType() == QMetaType::fromType<QColor>())
                << what.toStdString();
        }
    }
    offered.sort();
    EXPECT_EQ(offered, (QStringList { u"qv::PanelStatusBar controls/statusbar/PanelStatusBar.h"_s,
                           u"qv::StyleButton controls/button/StyleButton.h"_s }));
    EXPECT_EQ(readOnly.join(u' ').toStdString(), "Version NumberOfPanels");
}

} // namespace
} // namespace qv
