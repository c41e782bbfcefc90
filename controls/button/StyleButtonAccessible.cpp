#include "controls/button/StyleButtonAccessible.h"

#include "controls/button/StyleButton.h"

namespace qv {

namespace {
QAccessibleInterface* styleButtonFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String(StyleButton::staticMetaObject.className()) && object
        && object->isWidgetType())
        return new StyleButtonAccessible(static_cast<StyleButton*>(object));
    return nullptr;
}
} // namespace

StyleButtonAccessible::StyleButtonAccessible(StyleButton* button)
    : QAccessibleWidget(button, QAccessible::Button)
{
}

StyleButton* StyleButtonAccessible::button() const
{
    return static_cast<StyleButton*>(widget());
}

QString StyleButtonAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        // The widget's own name, not the caption of the group box around it.
        if (const QString name = button()->accessibleName(); !name.isEmpty())
            return name;
        return stripAccessMarks(button()->Caption());
    case QAccessible::Description:
        if (const QString description = button()->accessibleDescription(); !description.isEmpty())
            return description;
        return button()->toolTip();
    case QAccessible::Accelerator:
        return button()->AccessKeys().isEmpty() ? QString()
                                                : QStringLiteral("Alt+") + button()->AccessKeys().toUpper();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State StyleButtonAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    const StyleButton* b = button();
    s.defaultButton = b->ambient().displayAsDefault;
    if (b->CheckBoxBehaviour()) {
        s.checkable = true;
        s.checked = b->Value();
    }
    // A toggle that is on keeps the pressed look; that is its checked state, not a press.
    s.pressed = b->lastState() == ButtonRenderer::Pressed && !s.checked;
    return s;
}

QStringList StyleButtonAccessible::actionNames() const
{
    QStringList names;
    if (button()->isEnabled())
        names << pressAction();
    return names + QAccessibleWidget::actionNames();
}

void StyleButtonAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        button()->press();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList StyleButtonAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction() && !button()->AccessKeys().isEmpty())
        return { text(QAccessible::Accelerator) };
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

void installStyleButtonAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(styleButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString stripAccessMarks(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 >= caption.size())
                break;
            ++i;
        }
        plain += caption[i];
    }
    return plain;
}

} // namespace qv
