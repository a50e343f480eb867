// The Song (Ming) style CJK typeface the window's designs are measured in.
#pragma once

#include <QFont>
#include <QString>

namespace xlt::ui {

// The first Song-style family the system has (SimSun and its metric twins first, then the
// free Ming families), or the empty string when there is none.
QString song_family();

// A font `pixel_size` pixels high in the Song-style family; without one, the default
// family at that size, so the design's metrics still roughly hold.
QFont song_font(int pixel_size);

}  // namespace xlt::ui
