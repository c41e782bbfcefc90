#pragma once

#include <QCursor>
#include <QImage>

namespace qv {

// The pointing-hand pointer the button shows when asked to; drawn here because the program ships
// no cursor files.
class HandCursor final
{
public:
    static QImage image();
    static QPoint hotSpot() { return { 7, 1 }; }
    static QCursor cursor();
};

} // namespace qv
