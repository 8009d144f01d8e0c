#include "engine/d3d/FormatFunctions.h"

namespace {

struct TFormatBits {
  D3DFORMAT Format;
  UINT First;
  UINT Second;
};

constexpr TFormatBits kColorFormats[] = {
    {D3DFMT_R8G8B8, 8, 0},   {D3DFMT_A8R8G8B8, 8, 8},     {D3DFMT_X8R8G8B8, 8, 0},
    {D3DFMT_R5G6B5, 5, 0},   {D3DFMT_X1R5G5B5, 5, 0},     {D3DFMT_A1R5G5B5, 5, 1},
    {D3DFMT_A4R4G4B4, 4, 4}, {D3DFMT_R3G3B2, 2, 0},       {D3DFMT_A8R3G3B2, 2, 8},
    {D3DFMT_X4R4G4B4, 4, 0}, {D3DFMT_A2B10G10R10, 10, 2}, {D3DFMT_A2R10G10B10, 10, 2},
};

constexpr TFormatBits kDepthFormats[] = {
    {D3DFMT_D16, 16, 0},   {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
    {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
};

template <std::size_t N>
const TFormatBits* Find(const TFormatBits (&table)[N], D3DFORMAT Format) {
  for (const TFormatBits& entry : table) {
    if (entry.Format == Format) return &entry;
  }
  return nullptr;
}

struct TFormatNameEntry {
  DWORD Value;
  const char* Name;
};

constexpr DWORD FourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<unsigned char>(a)) |
         (static_cast<DWORD>(static_cast<unsigned char>(b)) << 8) |
         (static_cast<DWORD>(static_cast<unsigned char>(c)) << 16) |
         (static_cast<DWORD>(static_cast<unsigned char>(d)) << 24);
}

constexpr TFormatNameEntry kFormatNames[] = {
    {0, "UNKNOWN"},
    {20, "R8G8B8"},
    {21, "A8R8G8B8"},
    {22, "X8R8G8B8"},
    {23, "R5G6B5"},
    {24, "X1R5G5B5"},
    {25, "A1R5G5B5"},
    {26, "A4R4G4B4"},
    {27, "R3G3B2"},
    {28, "A8"},
    {29, "A8R3G3B2"},
    {30, "X4R4G4B4"},
    {31, "A2B10G10R10"},
    {32, "A8B8G8R8"},
    {33, "X8B8G8R8"},
    {34, "G16R16"},
    {35, "A2R10G10B10"},
    {36, "A16B16G16R16"},
    {40, "A8P8"},
    {41, "P8"},
    {50, "L8"},
    {51, "A8L8"},
    {52, "A4L4"},
    {60, "V8U8"},
    {61, "L6V5U5"},
    {62, "X8L8V8U8"},
    {63, "Q8W8V8U8"},
    {64, "V16U16"},
    {67, "A2W10V10U10"},
    {70, "D16_LOCKABLE"},
    {71, "D32"},
    {73, "D15S1"},
    {75, "D24S8"},
    {77, "D24X8"},
    {79, "D24X4S4"},
    {80, "D16"},
    {81, "L16"},
    {100, "VERTEXDATA"},
    {101, "INDEX16"},
    {102, "INDEX32"},
    {110, "Q16W16V16U16"},
    {111, "R16F"},
    {112, "G16R16F"},
    {113, "A16B16G16R16F"},
    {114, "R32F"},
    {115, "G32R32F"},
    {116, "A32B32G32R32F"},
    {117, "CxV8U8"},
    {FourCC('M', 'E', 'T', '1'), "MULTI2_ARGB8"},
    {FourCC('D', 'X', 'T', '1'), "DXT1"},
    {FourCC('D', 'X', 'T', '2'), "DXT2"},
    {FourCC('D', 'X', 'T', '3'), "DXT3"},
    {FourCC('D', 'X', 'T', '4'), "DXT4"},
    {FourCC('D', 'X', 'T', '5'), "DXT5"},
    {FourCC('Y', 'U', 'Y', '2'), "YUY2"},
    {FourCC('U', 'Y', 'V', 'Y'), "UYVY"},
};

}  // namespace

UINT ColorChannelBits(D3DFORMAT Format) {
  const TFormatBits* entry = Find(kColorFormats, Format);
  return entry ? entry->First : 0;
}

UINT AlphaChannelBits(D3DFORMAT Format) {
  const TFormatBits* entry = Find(kColorFormats, Format);
  return entry ? entry->Second : 0;
}

UINT DepthBits(D3DFORMAT Format) {
  const TFormatBits* entry = Find(kDepthFormats, Format);
  return entry ? entry->First : 0;
}

UINT StencilBits(D3DFORMAT Format) {
  const TFormatBits* entry = Find(kDepthFormats, Format);
  return entry ? entry->Second : 0;
}

std::string FormatName(D3DFORMAT Format, bool WithPrefix) {
  for (const TFormatNameEntry& entry : kFormatNames) {
    if (entry.Value == static_cast<DWORD>(Format)) {
      return WithPrefix ? std::string("D3DFMT_") + entry.Name : std::string(entry.Name);
    }
  }
  return "Unknown format";
}
