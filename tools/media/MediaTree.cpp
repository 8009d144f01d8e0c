#include "media/MediaTree.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

#include "media/BodyMaps.h"
#include "media/DialogPicture.h"
#include "media/EffectImages.h"
#include "media/NightSky.h"
#include "media/RoomImages.h"
#include "media/TgaWriter.h"
#include "shell/preview/AppIcon.h"

namespace zelmar::media {

namespace {

constexpr Quality kQualities[3] = {Quality::High, Quality::Medium, Quality::Low};

std::optional<Canvas> Paint(const std::string& name, int w, int h) {
  if (auto c = PaintBodyMap(name, w)) return c;
  if (auto c = PaintEffectImage(name, w)) return c;
  if (auto c = PaintRoomImage(name, w, h)) return c;
  if (name == "nightsky.jpg") return PaintNightSky(w, h);
  return std::nullopt;
}

// The sky's stars are drawn at each size so that small pictures keep them visible; every
// other picture is painted once and scaled down.
bool PaintedAtEachSize(const std::string& name) {
  return name == "nightsky.jpg";
}

QByteArray EncodeJpeg(const QImage& img) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(kJpegQuality);
  writer.write(img.convertToFormat(QImage::Format_RGB32));
  return bytes;
}

QByteArray EncodePng(const QImage& img) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.write(img);
  return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString* error) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    *error = QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).absolutePath());
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
  }
  return true;
}

}  // namespace

const char* QualityDir(Quality q) {
  switch (q) {
    case Quality::High:
      return "High";
    case Quality::Medium:
      return "Medium";
    default:
      return "Low";
  }
}

const std::vector<MediaFile>& MediaFiles() {
  static const std::vector<MediaFile> files = [] {
    std::vector<MediaFile> f{
        {"bluegreen.jpg", 1024, 512}, {"earth.jpg", 1024, 512},   {"sun.jpg", 1024, 512},
        {"moon.jpg", 1024, 512},      {"mercury.jpg", 1024, 512}, {"grey.jpg", 1024, 512},
        {"jupiter.jpg", 1024, 512},   {"neptune.jpg", 1024, 512}, {"saturn.jpg", 1024, 512},
        {"uranus.jpg", 1024, 512},    {"mars.jpg", 1024, 512},    {"venus.jpg", 1024, 512},
        {"pluto.jpg", 1024, 512},     {"red.jpg", 1024, 512},     {"saturnRings.tga", 1024, 1024},
        {"sunglow.tga", 512, 512},    {"shadow.tga", 128, 128},   {"Glare.tga", 16, 16},
        {"nightsky.jpg", 1024, 512},  {"wall1.jpg", 2048, 512},   {"wall2.jpg", 2048, 512},
        {"wall3.jpg", 2048, 512},     {"wall4.jpg", 2048, 512},   {"floor.jpg", 512, 512},
        {"ceiling.jpg", 512, 512},    {"rod.jpg", 64, 64},        {"Rod.jpg", 64, 64}};
    for (int i = 1; i <= 9; ++i) {
      const int size = (i == 1 || i == 6) ? 256 : 128;  // the two largest elements
      f.push_back({"flare" + std::to_string(i) + ".tga", size, size});
    }
    return f;
  }();
  return files;
}

bool IsTarga(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".tga") == 0;
}

bool IsBodyMap(const std::string& name) {
  static const char* const kBodies[] = {"sun.jpg",       "mercury.jpg", "venus.jpg",  "earth.jpg",
                                        "mars.jpg",      "jupiter.jpg", "saturn.jpg", "uranus.jpg",
                                        "neptune.jpg",   "pluto.jpg",   "moon.jpg",   "red.jpg",
                                        "bluegreen.jpg", "grey.jpg"};
  for (const char* b : kBodies)
    if (name == b) return true;
  return false;
}

GenerateResult GenerateMedia(const QString& outDir, const GenerateOptions& options) {
  GenerateResult result;
  const auto& files = MediaFiles();
  std::mutex mutex;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};

  auto fail = [&](const QString& message) {
    std::lock_guard lock(mutex);
    if (!failed.exchange(true)) result.error = message;
  };

  auto work = [&] {
    for (std::size_t i = next++; i < files.size() && !failed; i = next++) {
      const MediaFile& f = files[i];
      const bool tga = IsTarga(f.name);
      std::optional<QImage> high;
      for (Quality q : kQualities) {
        if (options.onlyOne && q != options.only) continue;
        const int shift = static_cast<int>(q);
        const int w = f.width >> shift, h = f.height >> shift;
        QImage img;
        if (options.onlyOne || PaintedAtEachSize(f.name) || q == Quality::High) {
          std::optional<Canvas> c = Paint(f.name, w, h);
          if (!c) {
            fail(QStringLiteral("no painter for %1").arg(QString::fromStdString(f.name)));
            return;
          }
          img = c->ToImage(tga);
          if (q == Quality::High) high = img;
        } else {
          img = high->scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        const QByteArray bytes = tga ? EncodeTga(img) : EncodeJpeg(img);
        for (const char* tree : {"textures", "tabletextures"}) {
          const QString path =
              QStringLiteral("%1/%2/%3/%4")
                  .arg(outDir, tree, QualityDir(q), QString::fromStdString(f.name));
          QString error;
          if (!WriteFile(path, bytes, &error)) {
            fail(error);
            return;
          }
        }
        if (q == Quality::Medium || options.onlyOne) {
          std::lock_guard lock(mutex);
          result.preview[f.name] = img;
        }
      }
    }
  };

  int threads =
      options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, 8);
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (auto& t : pool) t.join();
  if (failed) return result;

  QString error;
  const QImage dialog = PaintDialogPicture(result.preview);
  if (!WriteFile(outDir + "/dialog.jpg", EncodeJpeg(dialog), &error)) {
    result.error = error;
    return result;
  }
  result.preview["dialog.jpg"] = dialog;
  for (int size : {32, 48, 64, 128, 256}) {
    const std::vector<std::uint32_t> pixels = DrawAppIcon(size);
    QImage icon(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) icon.setPixel(x, y, pixels[std::size_t(y) * size + x]);
    if (!WriteFile(QStringLiteral("%1/icons/zelmar-%2.png").arg(outDir).arg(size), EncodePng(icon),
                   &error)) {
      result.error = error;
      return result;
    }
    if (size == 64) result.preview["icons/zelmar-64.png"] = icon;
  }
  result.ok = true;
  return result;
}

}  // namespace zelmar::media
