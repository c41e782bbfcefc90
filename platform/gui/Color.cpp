#include "platform/gui/Color.h"

#include <QGuiApplication>
#include <QPalette>

namespace qv {

Rgb systemColor(int index)
{
    const QPalette palette = QGuiApplication::palette();
    auto role = [&palette](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) {
        return fromQColor(palette.color(g, r));
    };
    switch (index) {
    case SysColor::ScrollBar: return role(QPalette::Midlight);
    case SysColor::Background: return role(QPalette::Dark);
    case SysColor::ActiveCaption: return role(QPalette::Highlight);
    case SysColor::InactiveCaption: return role(QPalette::Mid);
    case SysColor::Menu: return role(QPalette::Window);
    case SysColor::Window: return role(QPalette::Base);
    case SysColor::WindowFrame: return role(QPalette::Shadow);
    case SysColor::MenuText: return role(QPalette::WindowText);
    case SysColor::WindowText: return role(QPalette::Text);
    case SysColor::CaptionText: return role(QPalette::HighlightedText);
    case SysColor::ActiveBorder:
    case SysColor::InactiveBorder: return role(QPalette::Button);
    case SysColor::AppWorkspace: return role(QPalette::Mid);
    case SysColor::Highlight: return role(QPalette::Highlight);
    case SysColor::HighlightText: return role(QPalette::HighlightedText);
    case SysColor::ButtonFace: return role(QPalette::Button);
    case SysColor::ButtonShadow: return role(QPalette::Dark);
    case SysColor::GrayText: return role(QPalette::Text, QPalette::Disabled);
    case SysColor::ButtonText: return role(QPalette::ButtonText);
    case SysColor::InactiveCaptionText: return role(QPalette::WindowText, QPalette::Inactive);
    case SysColor::ButtonHighlight: return role(QPalette::Light);
    case SysColor::DarkShadow3D: return role(QPalette::Shadow);
    case SysColor::Light3D: return role(QPalette::Midlight);
    case SysColor::InfoText: return role(QPalette::ToolTipText);
    case SysColor::InfoBackground: return role(QPalette::ToolTipBase);
    default: return role(QPalette::Window);
    }
}

Rgb translateColor(OleColor colour)
{
    if (isSystemColor(colour))
        return systemColor(static_cast<int>(colour & 0xFFFFu));
    return colour & 0x00FFFFFFu;
}

QColor toQColor(Rgb colour)
{
    return QColor(redOf(colour), greenOf(colour), blueOf(colour));
}

Rgb fromQColor(const QColor& colour)
{
    return rgb(colour.red(), colour.green(), colour.blue());
}

QColor toDesignerColor(OleColor colour)
{
    QColor shown = toQColor(translateColor(colour));
    const OleColor index = colour & 0x7FFFFFFFu;
    if (isSystemColor(colour) && index <= 254)
        shown.setAlpha(254 - static_cast<int>(index));
    return shown;
}

OleColor fromDesignerColor(const QColor& colour)
{
    if (colour.alpha() < 255)
        return SysColor::code(static_cast<SysColor::Index>(254 - colour.alpha()));
    return fromQColor(colour);
}

} // namespace qv
