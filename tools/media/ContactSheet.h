// A picture of every generated texture with its file name, for the README.
#pragma once

#include <QImage>
#include <map>
#include <string>

namespace zelmar::media {

// Needs a QGuiApplication for the labels' font.
QImage PaintContactSheet(const std::map<std::string, QImage>& images);

}  // namespace zelmar::media
