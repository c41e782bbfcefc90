#include "designer/StyleButtonPlugin.h"

#include <QtDesigner/QDesignerFormEditorInterface>

#include "controls/button/styleButton.h"
#include "designer/PluginIcons.h"

using namespace Qt::StringLiterals;

namespace qv {

StyleButtonPlugin::StyleButtonPlugin(QObject* parent)
    : QObject(parent)
{
}

QString StyleButtonPlugin::name() const
{
    return u"qv::styleButton"_s;
}

QString StyleButtonPlugin::group() const
{
    return u"Quorvane"_s;
}

QString StyleButtonPlugin::toolTip() const
{
    return u"Push button painted in one of fourteen styles"_s;
}

QString StyleButtonPlugin::whatsThis() const
{
    return u"A push button, optionally a two-state toggle, that paints itself in one of fourteen styles, "
           "shows a hover look and can carry pictures."_s;
}

QString StyleButtonPlugin::includeFile() const
{
    return u"controls/button/styleButton.h"_s;
}

QIcon StyleButtonPlugin::icon() const
{
    return PluginIcons::styleButton();
}

QWidget* StyleButtonPlugin::createWidget(QWidget* parent)
{
    auto* button = new styleButton(parent);
    // The same plugin builds widgets for forms loaded at run time; only the designer initialises it.
    if (m_designTime) {
        ButtonAmbient ambient = button->ambient();
        ambient.userMode = false;
        button->setAmbient(ambient);
    }
    return button;
}

void StyleButtonPlugin::initialize(QDesignerFormEditorInterface* core)
{
    if (m_initialized)
        return;
    m_initialized = true;
    m_designTime = core != nullptr;
}

QString StyleButtonPlugin::domXml() const
{
    return uR"(<ui language="c++" displayname="styleButton">
 <widget class="qv::styleButton" name="styleButton">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>96</width><height>28</height></rect>
  </property>
  <property name="Caption">
   <string>styleButton</string>
  </property>
 </widget>
 <customwidgets>
  <customwidget>
   <class>qv::styleButton</class>
   <extends>QWidget</extends>
   <header>controls/button/styleButton.h</header>
  </customwidget>
 </customwidgets>
</ui>
)"_s;
}

} // namespace qv
