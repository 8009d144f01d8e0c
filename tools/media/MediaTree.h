// The media tree: every texture file the saver names, in both displays' trees and at the
// three qualities, plus the dialog picture and the desktop icons.
#pragma once

#include <QImage>
#include <QString>
#include <map>
#include <string>
#include <vector>

namespace zelmar::media {

enum class Quality { High = 0, Medium = 1, Low = 2 };
const char* QualityDir(Quality q);  // "High", "Medium", "Low"

struct MediaFile {
  std::string name;  // as the saver names it, letter case included
  int width;         // at High; Medium halves it and Low quarters it
  int height;
};

// Every texture file, in the order they are generated (largest work first).
const std::vector<MediaFile>& MediaFiles();
bool IsTarga(const std::string& name);
bool IsBodyMap(const std::string& name);

struct GenerateOptions {
  // Only this quality, painted at its own size (quicker; used to check determinism).
  bool onlyOne = false;
  Quality only = Quality::Low;
  int threads = 0;  // 0: one per processor
};

struct GenerateResult {
  bool ok = false;
  QString error;                          // what failed, with the path
  std::map<std::string, QImage> preview;  // Medium images (or the only quality) by name
};

// Writes OUTDIR/textures/{High,Medium,Low}/<file> and the same under tabletextures/, then
// OUTDIR/dialog.jpg and OUTDIR/icons/zelmar-<size>.png.
GenerateResult GenerateMedia(const QString& outDir, const GenerateOptions& options);

// JPEG quality of every picture; fixed so that runs give the same bytes.
inline constexpr int kJpegQuality = 88;

}  // namespace zelmar::media
