#pragma once

#include <QAccessibleWidget>

namespace qv {

class StyleButton;

// What assistive technology sees of a StyleButton: a push button named by its caption (or its
// accessible name), described by its tool tip, with its states and the press action. Qt finds it
// through the factory that installStyleButtonAccessibility registers.
class StyleButtonAccessible final : public QAccessibleWidget
{
public:
    explicit StyleButtonAccessible(StyleButton* button);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    StyleButton* button() const;
};

// Registers the factory once; every StyleButton calls it.
void installStyleButtonAccessibility();

// A caption without its access-key marks: "&&" stands for "&", a lone "&" goes.
QString stripAccessMarks(const QString& caption);

} // namespace qv
