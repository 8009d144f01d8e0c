#include "media/ContactSheet.h"

#include <QFont>
#include <QPainter>

namespace zelmar::media {

QImage PaintContactSheet(const std::map<std::string, QImage>& images) {
  constexpr int kCols = 6, kCellW = 168, kCellH = 112, kThumbH = 84;
  // Catalogue order: the bodies, the effects, the sky and the room, then the extras.
  std::vector<std::string> order{
      "sun.jpg",       "mercury.jpg", "venus.jpg",       "earth.jpg",   "mars.jpg",  "jupiter.jpg",
      "saturn.jpg",    "uranus.jpg",  "neptune.jpg",     "pluto.jpg",   "moon.jpg",  "red.jpg",
      "bluegreen.jpg", "grey.jpg",    "saturnRings.tga", "sunglow.tga", "shadow.tga"};
  for (int i = 1; i <= 9; ++i) order.push_back("flare" + std::to_string(i) + ".tga");
  for (const char* n :
       {"Glare.tga", "nightsky.jpg", "wall1.jpg", "wall2.jpg", "wall3.jpg", "wall4.jpg",
        "floor.jpg", "ceiling.jpg", "rod.jpg", "dialog.jpg", "icons/zelmar-64.png"})
    order.push_back(n);
  std::vector<std::string> names;
  for (const std::string& n : order)
    if (images.count(n)) names.push_back(n);
  const int rows = (static_cast<int>(names.size()) + kCols - 1) / kCols;
  QImage sheet(kCols * kCellW, rows * kCellH, QImage::Format_RGB32);
  sheet.fill(QColor(40, 40, 46));
  QPainter p(&sheet);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  QFont font("DejaVu Sans");
  font.setPixelSize(11);
  p.setFont(font);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int cx = static_cast<int>(i % kCols) * kCellW, cy = static_cast<int>(i / kCols) * kCellH;
    const QImage& img = images.at(names[i]);
    QSize size = img.size().scaled(kCellW - 8, kThumbH, Qt::KeepAspectRatio);
    const QRect box(cx + (kCellW - size.width()) / 2, cy + 6 + (kThumbH - size.height()) / 2,
                    size.width(), size.height());
    if (img.hasAlphaChannel()) {
      // A checkerboard shows what is transparent.
      for (int y = box.top(); y <= box.bottom(); y += 8)
        for (int x = box.left(); x <= box.right(); x += 8)
          p.fillRect(QRect(x, y, 8, 8).intersected(box),
                     ((x - box.left()) / 8 + (y - box.top()) / 8) % 2 ? QColor(90, 90, 96)
                                                                      : QColor(60, 60, 66));
    }
    p.drawImage(box, img.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.setPen(QColor(220, 220, 225));
    QString label = QString::fromStdString(names[i]);
    if (names[i] == "rod.jpg") label = "rod.jpg, Rod.jpg";
    p.drawText(QRect(cx, cy + kThumbH + 8, kCellW, kCellH - kThumbH - 8),
               Qt::AlignHCenter | Qt::AlignTop, label);
  }
  p.end();
  return sheet;
}

}  // namespace zelmar::media
