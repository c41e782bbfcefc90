#pragma once

#include <QFont>

#include "controls/button/ButtonRenderer.h"
#include "platform/gui/Picture.h"

namespace qv::test {

QFont pinnedFont();
// A renderer of the given style and size in the fixed grey scheme (face C0C0C0, shadow 808080), shown,
// colours derived.
void setUpRenderer(ButtonRenderer& renderer, int style, int width, int height, const QString& caption = {});
// A bitmap picture of the given pixels, row by row.
Picture bitmapOf(int width, int height, const std::vector<Rgb>& pixels);
// A red disc with a dark rim on the default mask colour.
Picture samplePicture(int size = 16);

} // namespace qv::test
