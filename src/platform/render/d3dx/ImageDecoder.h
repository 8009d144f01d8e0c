// The platform's part of our D3DX image loading, one implementation per platform: Qt's image
// readers on Linux (qt/QtImageDecoder.cpp), the Windows Imaging Component on Windows
// (win32/WicImageDecoder.cpp). Everything else, Targa files included, is ImageFiles' alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/render/d3dx/Image32.h"
#include "platform/render/d3dx/ImageHeader.h"
#include "platform/wintypes.h"

// Decodes a BMP, JPEG or PNG file whose header CheckImageHeader accepted; bitsPerPixel is what
// the decoder reports of the file's pixels. False when the bytes cannot be decoded.
bool DecodePlatformImage(ImageKind kind, const std::uint8_t* data, std::size_t size, Image32& out,
                         std::uint32_t& bitsPerPixel);
// The bytes of the module's own resource of that name (Windows' RCDATA resources; a program
// elsewhere has none beyond those registered with D3DXRegisterResource).
bool FindModuleResource(HMODULE module, const std::string& name, std::vector<std::uint8_t>& bytes);
