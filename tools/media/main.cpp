// zelmar-media OUTDIR: writes every texture, the dialog picture and the desktop icons.
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>
#include <cstring>

#include "media/ContactSheet.h"
#include "media/MediaTree.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zelmar-media [--only High|Medium|Low] [--threads N] "
               "[--contact-sheet FILE.png] OUTDIR\n"
               "Writes OUTDIR/textures and OUTDIR/tabletextures (High, Medium, Low),\n"
               "OUTDIR/dialog.jpg and OUTDIR/icons/. --only writes one quality, painted at its\n"
               "own size.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zelmar::media;
  // Fonts for the contact sheet's labels. The tool never shows a window, so it must not
  // depend on a display even where the environment asks for one.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);

  GenerateOptions options;
  QString outDir, sheetPath;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--only") == 0 && i + 1 < argc) {
      const QString q = QString::fromLocal8Bit(argv[++i]);
      options.onlyOne = true;
      if (q == "High")
        options.only = Quality::High;
      else if (q == "Medium")
        options.only = Quality::Medium;
      else if (q == "Low")
        options.only = Quality::Low;
      else {
        std::fprintf(stderr, "zelmar-media: unknown quality '%s' (use High, Medium or Low)\n",
                     argv[i]);
        return 2;
      }
    } else if (std::strcmp(a, "--threads") == 0 && i + 1 < argc) {
      options.threads = std::atoi(argv[++i]);
    } else if (std::strcmp(a, "--contact-sheet") == 0 && i + 1 < argc) {
      sheetPath = QString::fromLocal8Bit(argv[++i]);
    } else if (a[0] == '-' || !outDir.isEmpty()) {
      return Usage();
    } else {
      outDir = QString::fromLocal8Bit(a);
    }
  }
  if (outDir.isEmpty()) return Usage();

  const GenerateResult result = GenerateMedia(outDir, options);
  if (!result.ok) {
    std::fprintf(stderr, "zelmar-media: %s\n", qPrintable(result.error));
    return 1;
  }
  if (!sheetPath.isEmpty()) {
    QImageWriter writer(sheetPath, "png");
    if (!writer.write(PaintContactSheet(result.preview))) {
      std::fprintf(stderr, "zelmar-media: cannot write %s: %s\n", qPrintable(sheetPath),
                   qPrintable(writer.errorString()));
      return 1;
    }
  }
  return 0;
}
