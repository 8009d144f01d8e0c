// What every backend's D3DX shares: the font resolver the window layer installs and the
// program's named resources.
#include "platform/render/d3dx/D3DXResources.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

D3DXFontResolver& FontResolver() {
  static D3DXFontResolver resolver;
  return resolver;
}

std::string Folded(const std::string& s) {
  std::string r = s;
  std::transform(r.begin(), r.end(), r.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return r;
}

std::map<std::string, std::vector<BYTE>>& Resources() {
  static std::map<std::string, std::vector<BYTE>> table;
  return table;
}

}  // namespace

bool D3DXResolveFont(HFONT font, D3DXFONT_DESCA* desc) {
  return FontResolver() && FontResolver()(font, desc);
}

void D3DXSetFontResolver(D3DXFontResolver resolver) {
  FontResolver() = std::move(resolver);
}

void D3DXRegisterResource(const std::string& name, std::vector<BYTE> bytes) {
  Resources()[Folded(name)] = std::move(bytes);
}

void D3DXUnregisterResource(const std::string& name) {
  Resources().erase(Folded(name));
}

const std::vector<BYTE>* D3DXFindResource(const std::string& name) {
  auto it = Resources().find(Folded(name));
  return it == Resources().end() ? nullptr : &it->second;
}
