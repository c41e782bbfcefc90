#include "designer/PanelStatusBarPlugin.h"

#include <QExtensionManager>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerTaskMenuExtension>

#include "controls/statusbar/PanelStatusBar.h"
#include "designer/PluginIcons.h"
#include "designer/StatusBarTaskMenuFactory.h"

using namespace Qt::StringLiterals;

namespace qv {

PanelStatusBarPlugin::PanelStatusBarPlugin(QObject* parent)
    : QObject(parent)
{
}

QString PanelStatusBarPlugin::name() const
{
    return u"qv::PanelStatusBar"_s;
}

QString PanelStatusBarPlugin::group() const
{
    return u"Quorvane"_s;
}

QString PanelStatusBarPlugin::toolTip() const
{
    return u"Status bar with panels"_s;
}

QString PanelStatusBarPlugin::whatsThis() const
{
    return u"A status bar that paints a row of panels, each with a caption, a picture and a tool tip, and an "
           "optional size gripper. Right-click it and choose \"Edit Panels...\" to edit the panels."_s;
}

QString PanelStatusBarPlugin::includeFile() const
{
    return u"controls/statusbar/PanelStatusBar.h"_s;
}

QIcon PanelStatusBarPlugin::icon() const
{
    return PluginIcons::statusBar();
}

QWidget* PanelStatusBarPlugin::createWidget(QWidget* parent)
{
    return new PanelStatusBar(parent);
}

void PanelStatusBarPlugin::initialize(QDesignerFormEditorInterface* core)
{
    if (m_initialized)
        return;
    m_initialized = true;
    if (!core || !core->extensionManager())
        return;
    QExtensionManager* manager = core->extensionManager();
    manager->registerExtensions(new StatusBarTaskMenuFactory(manager), Q_TYPEID(QDesignerTaskMenuExtension));
}

// "panels" is stored settings text, not words to translate: without notr uic would wrap it in a
// translate call.
QString PanelStatusBarPlugin::domXml() const
{
    return uR"(<ui language="c++" displayname="PanelStatusBar">
 <widget class="qv::PanelStatusBar" name="statusBar">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>400</width><height>24</height></rect>
  </property>
 </widget>
 <customwidgets>
  <customwidget>
   <class>qv::PanelStatusBar</class>
   <extends>QWidget</extends>
   <header>controls/statusbar/PanelStatusBar.h</header>
   <propertyspecifications>
    <stringpropertyspecification name="panels" notr="true" type="multiline"/>
   </propertyspecifications>
  </customwidget>
 </customwidgets>
</ui>
)"_s;
}

} // namespace qv
