#include "media/ContactSheet.h"

#include <QFont>
#include <QPainter>

#include "media/MediaTree.h"

namespace zelmar::media {

QImage PaintContactSheet(const std::map<std::string, QImage>& images) {
  constexpr int kCols = 6, kCellW = 168, kCellH = 112, kThumbH = 84;
  std::vector<std::string> names;
  for (const MediaFile& f : MediaFiles()) {
    if (f.name == "Rod.jpg") continue;  // the same picture as "rod.jpg"
    if (images.count(f.name)) names.push_back(f.name);
  }
  // Body maps first, then the effects, then the room and the sky.
  std::stable_partition(names.begin(), names.end(), IsBodyMap);
  std::stable_partition(names.begin() + std::count_if(names.begin(), names.end(), IsBodyMap),
                        names.end(), IsTarga);
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
