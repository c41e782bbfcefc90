#include "designer/StyleButtonPlugin.h"

#include <QExtensionManager>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerPropertySheetExtension>

#include "controls/button/StyleButton.h"
#include "designer/PluginIcons.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {

// At design time some setters move a second property along (BackColor sets BackOver, FlatFrame
// makes the font bold). The designer saves only the properties it set itself, so the one that
// followed is marked as set too; otherwise the form would look different at run time.
void markFollowers(QDesignerFormEditorInterface* core, StyleButton* button, const QString& name)
{
    QString follower;
    if (name == "BackColor"_L1)
        follower = u"BackOver"_s;
    else if (name == "ForeColor"_L1)
        follower = u"ForeOver"_s;
    else if (name == "ButtonType"_L1 && button->ButtonType() == StyleButton::FlatFrame)
        follower = u"Font"_s;
    if (follower.isEmpty())
        return;
    auto* sheet = qt_extension<QDesignerPropertySheetExtension*>(core->extensionManager(), button);
    if (!sheet)
        return;
    const int index = sheet->indexOf(follower);
    if (index >= 0)
        sheet->setChanged(index, true);
}

} // namespace

StyleButtonPlugin::StyleButtonPlugin(QObject* parent)
    : QObject(parent)
{
}

QString StyleButtonPlugin::name() const
{
    return u"qv::StyleButton"_s;
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
    return u"controls/button/StyleButton.h"_s;
}

QIcon StyleButtonPlugin::icon() const
{
    return PluginIcons::StyleButton();
}

QWidget* StyleButtonPlugin::createWidget(QWidget* parent)
{
    auto* button = new StyleButton(parent);
    // The plugin also builds widgets for forms loaded at run time and for the designer's preview;
    // only a button placed on a form being edited is at design time.
    if (m_core && QDesignerFormWindowInterface::findFormWindow(parent)) {
        ButtonAmbient ambient = button->ambient();
        ambient.userMode = false;
        button->setAmbient(ambient);
        QDesignerFormEditorInterface* core = m_core;
        connect(button, &StyleButton::PropertyChanged, button,
            [core, button](const QString& name) { markFollowers(core, button, name); });
    }
    return button;
}

void StyleButtonPlugin::initialize(QDesignerFormEditorInterface* core)
{
    if (m_initialized)
        return;
    m_initialized = true;
    m_core = core;
}

QString StyleButtonPlugin::domXml() const
{
    return uR"(<ui language="c++" displayname="StyleButton">
 <widget class="qv::StyleButton" name="button">
  <property name="geometry">
   <rect><x>0</x><y>0</y><width>96</width><height>28</height></rect>
  </property>
  <property name="Caption">
   <string>StyleButton</string>
  </property>
 </widget>
 <customwidgets>
  <customwidget>
   <class>qv::StyleButton</class>
   <extends>QWidget</extends>
   <header>controls/button/StyleButton.h</header>
  </customwidget>
 </customwidgets>
</ui>
)"_s;
}

} // namespace qv
