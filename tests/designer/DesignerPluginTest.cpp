#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QExtensionManager>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QPushButton>
#include <QXmlStreamReader>
#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QtUiTools/QUiLoader>
#include <gtest/gtest.h>
#include <memory>

#include "controls/button/StyleButton.h"
#include "controls/statusbar/GeneralPage.h"
#include "controls/statusbar/PanelsPage.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "designer/PropertyPageDialog.h"
#include "designer/StatusBarTaskMenu.h"
#include "designer/StatusBarTaskMenuFactory.h"
#include "platform/gui/Color.h"
#include "ui_SystemColourForm.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

struct DomInfo
{
    QString widgetClass;
    QString customClass;
    int width = 0;
    int height = 0;
};

// Parses a plugin's domXml; fails the test when it is not well-formed.
DomInfo parseDom(const QString& xml)
{
    DomInfo info;
    QXmlStreamReader reader(xml);
    QString element;
    bool inGeometry = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            element = reader.name().toString();
            if (element == "widget"_L1 && info.widgetClass.isEmpty())
                info.widgetClass = reader.attributes().value("class"_L1).toString();
            if (element == "property"_L1)
                inGeometry = reader.attributes().value("name"_L1) == "geometry"_L1;
        } else if (reader.isCharacters() && !reader.isWhitespace()) {
            if (element == "class"_L1)
                info.customClass = reader.text().toString();
            else if (inGeometry && element == "width"_L1)
                info.width = reader.text().toInt();
            else if (inGeometry && element == "height"_L1)
                info.height = reader.text().toInt();
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return info;
}

// Images a person should look at: the dialog's pages and the toolbox icons.
void saveForViewing(QWidget* widget, const QString& name)
{
    const QString root = qEnvironmentVariable("QV_TEST_OUTPUT_DIR");
    if (root.isEmpty())
        return;
    QDir dir(root);
    dir.mkpath(u"designer"_s);
    widget->grab().save(dir.filePath(u"designer/%1.png"_s.arg(name)));
}

bool hasWritableProperty(const QObject* object, const char* name)
{
    const int index = object->metaObject()->indexOfProperty(name);
    return index >= 0 && object->metaObject()->property(index).isWritable();
}

class DesignerPlugin : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
        auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
        ASSERT_NE(collection, nullptr);
        for (QDesignerCustomWidgetInterface* widget : collection->customWidgets())
            widgets[widget->name()] = widget;
    }

    QPluginLoader loader { QStringLiteral(QV_DESIGNER_PLUGIN_FILE) };
    std::map<QString, QDesignerCustomWidgetInterface*> widgets;
};

TEST_F(DesignerPlugin, OffersBothControlsWithIconToolTipAndValidDomXml)
{
    ASSERT_EQ(widgets.size(), 2u);
    for (const QString& name : { u"qv::PanelStatusBar"_s, u"qv::StyleButton"_s }) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(widgets.count(name));
        QDesignerCustomWidgetInterface* plugin = widgets[name];
        EXPECT_FALSE(plugin->icon().isNull());
        EXPECT_FALSE(plugin->toolTip().isEmpty());
        EXPECT_FALSE(plugin->whatsThis().isEmpty());
        EXPECT_EQ(plugin->group(), u"Quorvane"_s);
        EXPECT_FALSE(plugin->isContainer());
        const DomInfo dom = parseDom(plugin->domXml());
        EXPECT_EQ(dom.widgetClass, name);
        EXPECT_EQ(dom.customClass, name);
        EXPECT_GT(dom.width, 0);
        EXPECT_GT(dom.height, 0);
        std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()), name);
    }
    for (const auto& [name, plugin] : widgets) {
        QLabel icon;
        icon.setPixmap(plugin->icon().pixmap(22, 22).scaled(88, 88));
        icon.resize(88, 88);
        saveForViewing(&icon, QString(name).remove(u"qv::"_s) + u"-icon"_s);
    }
    EXPECT_EQ(widgets[u"qv::PanelStatusBar"_s]->includeFile(), u"controls/statusbar/PanelStatusBar.h"_s);
    EXPECT_EQ(widgets[u"qv::StyleButton"_s]->includeFile(), u"controls/button/StyleButton.h"_s);
}

TEST_F(DesignerPlugin, EveryStoredSettingIsAWritableDesignerProperty)
{
    std::unique_ptr<QWidget> bar(widgets[u"qv::PanelStatusBar"_s]->createWidget(nullptr));
    // "font" is the widget's own font, which the bar draws with.
    for (const char* name : { "BackColor", "ForeColor", "ForeColorDissabled", "font", "MaskColor",
             "ShowGripper", "Apperance", "panels" })
        EXPECT_TRUE(hasWritableProperty(bar.get(), name)) << name;
    std::unique_ptr<QWidget> button(widgets[u"qv::StyleButton"_s]->createWidget(nullptr));
    for (const char* name : { "ButtonType", "Caption", "Enabled", "Font", "ColorScheme", "ShowFocusRect",
             "BackColor", "BackOver", "ForeColor", "ForeOver", "MaskColor", "MousePointer", "PictureNormal",
             "PictureOver", "UseMaskColor", "SoftBevel", "PicturePosition", "UseGreyscale", "SpecialEffect",
             "HandPointer", "CheckBoxBehaviour", "Value" })
        EXPECT_TRUE(hasWritableProperty(button.get(), name)) << name;
    // Colours are offered to Designer's colour editor.
    for (const char* name : { "BackColor", "ForeColor", "ForeColorDissabled", "MaskColor" })
        EXPECT_EQ(bar->property(name).metaType(), QMetaType::fromType<QColor>()) << name;
    for (const char* name : { "BackColor", "BackOver", "ForeColor", "ForeOver", "MaskColor" })
        EXPECT_EQ(button->property(name).metaType(), QMetaType::fromType<QColor>()) << name;
}

// A system colour travels as its index in the alpha channel (254 - index) with the RGB it has now;
// an RGB colour is opaque. A .ui file, QUiLoader and the setters uic writes keep it a system colour.
TEST(DesignerColours, SystemColoursKeepTheirIndexThroughUiFilesAndUic)
{
    EXPECT_EQ(toDesignerColor(SysColor::code(SysColor::ButtonFace)).alpha(), 239);
    EXPECT_EQ(toDesignerColor(0x00336699u), QColor(0x99, 0x66, 0x33));
    QWidget host;
    Ui::SystemColourForm ui;
    ui.setupUi(&host);
    EXPECT_EQ(ui.CmdEdit->BackColor(), SysColor::code(SysColor::ButtonFace));
    EXPECT_EQ(ui.CmdEdit->ForeColor(), 0x00FF0000u);
}

TEST(TaskMenuFactory, GivesEditPanelsToTheStatusBarOnly)
{
    QExtensionManager manager;
    manager.registerExtensions(new StatusBarTaskMenuFactory(&manager), Q_TYPEID(QDesignerTaskMenuExtension));
    PanelStatusBar bar;
    StyleButton button;
    QPushButton plain;
    auto* menu = qt_extension<QDesignerTaskMenuExtension*>(&manager, &bar);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->taskActions().size(), 1);
    EXPECT_EQ(menu->taskActions().first()->text(), u"Edit Panels..."_s);
    EXPECT_EQ(menu->preferredEditAction(), menu->taskActions().first());
    EXPECT_EQ(qt_extension<QDesignerTaskMenuExtension*>(&manager, &button), nullptr);
    EXPECT_EQ(qt_extension<QDesignerTaskMenuExtension*>(&manager, &plain), nullptr);

    // Outside a form the dialog writes to the bar itself.
    auto* taskMenu = dynamic_cast<StatusBarTaskMenu*>(menu);
    ASSERT_NE(taskMenu, nullptr);
    std::unique_ptr<PropertyPageDialog> dialog = taskMenu->createDialog(nullptr);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->pageCount(), 2);
    EXPECT_EQ(dialog->page(0)->caption(), u"Panels"_s);
    EXPECT_EQ(dialog->page(1)->caption(), u"General"_s);
    auto* panels = static_cast<PanelsPage*>(dialog->page(0));
    panels->addPanel();
    panels->Txt(0)->setText(u"Status: Idle"_s);
    ASSERT_TRUE(dialog->apply());
    EXPECT_EQ(bar.NumberOfPanels(), 1);
    EXPECT_EQ(bar.PanelCaption(1), u"Status: Idle"_s);
    EXPECT_TRUE(bar.PanelEnabled(1)) << "a fresh page offers a new panel's values";

    dialog->resize(dialog->sizeHint());
    saveForViewing(dialog.get(), u"panels-page"_s);
}

TEST(UiLoading, FormSettingBothControlsIsRestored)
{
    PanelStatusBar source;
    source.AddPanel(150, u"Status: Idle"_s, u"state"_s, true, AutoSizeMode::Spring, Picture());
    source.AddPanel(60, u"Found: 0 & <more>"_s, QString(), false, AutoSizeMode::Contents, Picture());
    source.setMinWidth(2, 40);
    const QString ui = uR"(<ui version="4.0"><class>Form</class><widget class="QWidget" name="Form">
 <widget class="qv::StyleButton" name="CmdEdit">
  <property name="ButtonType"><enum>qv::StyleButton::ThinBevel</enum></property>
  <property name="ColorScheme"><enum>qv::StyleButton::FixedGrey</enum></property>
  <property name="Caption"><string>Edit</string></property>
  <property name="MaskColor"><color><red>255</red><green>0</green><blue>0</blue></color></property>
  <property name="HandPointer"><bool>true</bool></property>
 </widget>
 <widget class="qv::PanelStatusBar" name="StatusBar1">
  <property name="ShowGripper"><bool>false</bool></property>
  <property name="ForeColor"><color alpha="236"><red>0</red><green>0</green><blue>0</blue></color></property>
  <property name="panels" stdset="0"><string>%1</string></property>
 </widget></widget></ui>)"_s.arg(source.panelsText().toHtmlEscaped());
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QStringLiteral(QV_PLUGIN_ROOT "/designer"));
    EXPECT_TRUE(loader.availableWidgets().contains(u"qv::PanelStatusBar"_s));
    QBuffer buffer;
    buffer.setData(ui.toUtf8());
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    ASSERT_NE(form, nullptr) << loader.errorString().toStdString();
    QWidget* button = form->findChild<QWidget*>(u"CmdEdit"_s);
    QWidget* bar = form->findChild<QWidget*>(u"StatusBar1"_s);
    ASSERT_NE(button, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(button->property("ButtonType").toInt(), 7);
    EXPECT_EQ(button->property("ColorScheme").toInt(), 3);
    EXPECT_EQ(button->property("Caption").toString(), u"Edit"_s);
    EXPECT_EQ(fromDesignerColor(button->property("MaskColor").value<QColor>()), 255u);
    EXPECT_TRUE(button->property("HandPointer").toBool());
    EXPECT_FALSE(bar->property("ShowGripper").toBool());
    EXPECT_EQ(fromDesignerColor(bar->property("ForeColor").value<QColor>()), 0x80000012u);
    EXPECT_EQ(bar->property("NumberOfPanels").toInt(), 2);
    PanelStatusBar restored;
    restored.setPanelsText(bar->property("panels").toString());
    EXPECT_EQ(restored.PanelCaption(2), u"Found: 0 & <more>"_s);
    EXPECT_EQ(restored.MinWidth(2), 40);
    EXPECT_FALSE(restored.PanelEnabled(2));
    EXPECT_EQ(restored.ToolTipText(1), u"state"_s);
    EXPECT_EQ(restored.PanelAutoSize(1), AutoSizeMode::Spring);
}

} // namespace
} // namespace qv
