#include "platform/render/d3dx/TextLayout.h"

#include <algorithm>

namespace {

// The DT_ flags this layout reads (their values are Windows' own).
constexpr DWORD kCenter = 0x00000001, kRight = 0x00000002, kVCenter = 0x00000004,
                kBottom = 0x00000008, kWordBreak = 0x00000010, kSingleLine = 0x00000020;

int Width(const std::string& line, const int* advances) {
  int w = 0;
  for (unsigned char c : line) w += advances[c];
  return w;
}

}  // namespace

TextLayout LayOutText(std::string_view source, const RECT& rect, DWORD format, const int* advances,
                      int lineHeight) {
  std::string text(source);
  for (char& c : text)
    if (c == '\t') c = ' ';
  const LONG rectWidth = rect.right - rect.left;

  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (format & kSingleLine) continue;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  if ((format & kWordBreak) && !(format & kSingleLine)) {
    std::vector<std::string> wrapped;
    for (const std::string& line : lines) {
      std::string current;
      std::size_t pos = 0;
      while (pos <= line.size()) {
        const std::size_t next = std::min(line.find(' ', pos), line.size());
        const std::string word = line.substr(pos, next - pos);
        const std::string candidate = current.empty() ? word : current + " " + word;
        if (!current.empty() && Width(candidate, advances) > rectWidth) {
          wrapped.push_back(current);
          current = word;
        } else {
          current = candidate;
        }
        pos = next + 1;
      }
      wrapped.push_back(current);
    }
    lines = std::move(wrapped);
  }

  TextLayout layout;
  int widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, Width(line, advances));
  layout.Height = static_cast<int>(lines.size()) * lineHeight;
  layout.Bounds = rect;
  if (format & kCenter) {
    const LONG mid = (rect.left + rect.right) / 2;
    layout.Bounds.left = mid - widest / 2;
    layout.Bounds.right = layout.Bounds.left + widest;
  } else if (format & kRight) {
    layout.Bounds.left = rect.right - widest;
  } else {
    layout.Bounds.right = rect.left + widest;
  }
  layout.Bounds.bottom = rect.top + layout.Height;

  LONG y = rect.top;
  if (format & kBottom)
    y = rect.bottom - layout.Height;
  else if (format & kVCenter)
    y = rect.top + (rect.bottom - rect.top - layout.Height) / 2;
  for (std::string& line : lines) {
    const int w = Width(line, advances);
    LONG x = rect.left;
    if (format & kRight)
      x = rect.right - w;
    else if (format & kCenter)
      x = rect.left + (rectWidth - w) / 2;
    layout.Lines.push_back(TextLine{std::move(line), x, y});
    y += lineHeight;
  }
  return layout;
}
