#pragma once

#include <QFont>
#include <QString>

#include "platform/gui/Color.h"
#include "platform/gui/Picture.h"

namespace qv {

// The button's stored settings, colours untranslated. Enumerated values are kept as plain
// integers because stored settings may hold values outside the known range.
struct ButtonSettings
{
    OleColor backColor = SysColor::code(SysColor::ButtonFace);
    OleColor backOver = SysColor::code(SysColor::ButtonFace);
    OleColor foreColor = SysColor::code(SysColor::ButtonText);
    OleColor foreOver = SysColor::code(SysColor::ButtonText);
    OleColor maskColor = 0xC0C0C0;
    int buttonType = 2;
    QString caption;
    bool enabled = true;
    QFont font;
    int colorScheme = 1;
    bool showFocusRect = true;
    int mousePointer = 0;
    Picture mouseIcon;
    bool handPointer = false;
    bool softBevel = false;
    Picture pictureNormal;
    Picture pictureOver;
    int picturePosition = 0;
    bool useMaskColor = true;
    bool useGreyscale = false;
    int specialEffect = 0;
    bool checkBoxBehaviour = false;
    bool value = false;
};

} // namespace qv
