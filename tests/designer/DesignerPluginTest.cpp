#include <QDir>
#include <QExtensionManager>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QXmlStreamReader>
#include <QtDesigner/QDesignerTaskMenuExtension>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>
#include <memory>

#include "controls/button/StyleButton.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "controls/statusbar/PanelsPage.h"
#include "designer/PropertyPageDialog.h"
#include "designer/StatusBarTaskMenu.h"
#include "designer/StatusBarTaskMenuFactory.h"
#include "platform/gui/Color.h"
#include "ui_SystemColourForm.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// Images a person should look at.
void saveForViewing(QWidget* widget, const QString& name)
{
    const QString root = qEnvironmentVariable("QV_TEST_OUTPUT_DIR");
    if (!root.isEmpty() && QDir(root).mkpath(u"designer"_s))
        widget->grab().save(QDir(root).filePath(u"designer/%1.png"_s.arg(name)));
}

TEST(DesignerPlugin, OffersBothControlsWithWritableSettings)
{
    QPluginLoader loader { QStringLiteral(QV_DESIGNER_PLUGIN_FILE) };
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    ASSERT_NE(collection, nullptr);
    ASSERT_EQ(collection->customWidgets().size(), 2);
    // Every stored setting is a writable property; colours go to Designer's colour editor.
    const std::map<QString, std::pair<QString, QStringList>> expected {
        { u"qv::PanelStatusBar"_s,
            { u"controls/statusbar/PanelStatusBar.h"_s,
                { u"BackColor*"_s, u"ForeColor*"_s, u"ForeColorDissabled*"_s, u"font"_s, u"MaskColor*"_s,
                    u"ShowGripper"_s, u"Apperance"_s, u"panels"_s } } },
        { u"qv::StyleButton"_s,
            { u"controls/button/StyleButton.h"_s,
                { u"ButtonType"_s, u"Caption"_s, u"Enabled"_s, u"Font"_s, u"ColorScheme"_s, u"ShowFocusRect"_s,
                    u"BackColor*"_s, u"BackOver*"_s, u"ForeColor*"_s, u"ForeOver*"_s, u"MaskColor*"_s,
                    u"MousePointer"_s, u"PictureNormal"_s, u"PictureOver"_s, u"UseMaskColor"_s, u"SoftBevel"_s,
                    u"PicturePosition"_s, u"UseGreyscale"_s, u"SpecialEffect"_s, u"HandPointer"_s,
                    u"CheckBoxBehaviour"_s, u"Value"_s } } } };
    for (QDesignerCustomWidgetInterface* plugin : collection->customWidgets()) {
        const QString name = plugin->name();
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(expected.count(name));
        EXPECT_EQ(plugin->includeFile(), expected.at(name).first);
        EXPECT_FALSE(plugin->icon().isNull());
        EXPECT_FALSE(plugin->toolTip().isEmpty());
        EXPECT_EQ(plugin->group(), u"Quorvane"_s);
        EXPECT_FALSE(plugin->isContainer());
        QXmlStreamReader dom(plugin->domXml());
        while (!dom.atEnd())
            dom.readNext();
        EXPECT_FALSE(dom.hasError()) << dom.errorString().toStdString();
        EXPECT_TRUE(plugin->domXml().contains(u"class=\"%1\""_s.arg(name)));
        std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()), name);
        for (QString property : expected.at(name).second) {
            const bool colour = property.endsWith(u'*');
            property.remove(u'*');
            const QMetaObject* meta = widget->metaObject();
            const int index = meta->indexOfProperty(property.toLatin1().constData());
            ASSERT_GE(index, 0) << property.toStdString();
            EXPECT_TRUE(meta->property(index).isWritable()) << property.toStdString();
            EXPECT_TRUE(!colour || meta->property(index).metaType() == QMetaType::fromType<QColor>())
                << property.toStdString();
        }
    }
}

// A system colour travels as its index in the alpha channel (254 - index) with the RGB it has now;
// an RGB colour is opaque. The setters uic writes keep it a system colour.
TEST(DesignerColours, SystemColoursKeepTheirIndexThroughUic)
{
    EXPECT_EQ(toDesignerColor(SysColor::code(SysColor::ButtonFace)).alpha(), 239);
    EXPECT_EQ(toDesignerColor(0x00336699u), QColor(0x99, 0x66, 0x33));
    QWidget host;
    Ui::SystemColourForm ui;
    ui.setupUi(&host);
    EXPECT_EQ(ui.CmdEdit->BackColor(), SysColor::code(SysColor::ButtonFace));
    EXPECT_EQ(ui.CmdEdit->ForeColor(), 0x00FF0000u);
}

// Outside a form the dialog writes to the bar itself.
TEST(TaskMenuFactory, DialogOutsideAFormWritesTheBar)
{
    QExtensionManager manager;
    manager.registerExtensions(new StatusBarTaskMenuFactory(&manager), Q_TYPEID(QDesignerTaskMenuExtension));
    PanelStatusBar bar;
    StyleButton button;
    EXPECT_EQ(qt_extension<QDesignerTaskMenuExtension*>(&manager, &button), nullptr);
    auto* menu = dynamic_cast<StatusBarTaskMenu*>(qt_extension<QDesignerTaskMenuExtension*>(&manager, &bar));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->preferredEditAction(), menu->taskActions().value(0));
    std::unique_ptr<PropertyPageDialog> dialog = menu->createDialog(nullptr);
    ASSERT_EQ(dialog->pageCount(), 2);
    EXPECT_EQ(dialog->page(0)->caption() + dialog->page(1)->caption(), u"PanelsGeneral"_s);
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

} // namespace
} // namespace qv
