// The configuration dialog's picture: the Sun and some planets on their orbits, drawn with
// the generated body maps.
#pragma once

#include <QImage>
#include <map>
#include <string>

namespace zelmar::media {

inline constexpr int kDialogWidth = 209;
inline constexpr int kDialogHeight = 177;

// `maps` holds the body maps and the ring by file name; missing ones are drawn plain.
QImage PaintDialogPicture(const std::map<std::string, QImage>& maps);

}  // namespace zelmar::media
