// Frames read back from the real Direct3D 9, written as PNG files by WIC.
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>

#include "platform/render/Ref.h"
#include "shell/modes/FrameReadBack.h"

namespace zelmar {

namespace {

// What Windows says about an error code, on one line.
std::string ErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = length ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  char code16[32];
  std::snprintf(code16, sizeof code16, "error 0x%08lX", static_cast<unsigned long>(code));
  return s.empty() ? std::string(code16) : s + " (" + code16 + ")";
}

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(w.size() - 1);
  return w;
}

HRESULT EncodePng(const std::wstring& path, const TFramePicture& picture) {
  // The thread stays in its apartment: image loading uses it too.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Ref<IWICImagingFactory> factory;
  Ref<IWICStream> stream;
  Ref<IWICBitmapEncoder> encoder;
  Ref<IWICBitmapFrameEncode> frame;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  const UINT w = static_cast<UINT>(picture.Width), h = static_cast<UINT>(picture.Height);
  if (SUCCEEDED(hr)) hr = frame->SetSize(w, h);
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat32bppBGR) hr = E_FAIL;
  if (SUCCEEDED(hr))
    hr = frame->WritePixels(
        h, w * 4, w * h * 4,
        reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.Pixels.data())));
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (SUCCEEDED(hr)) hr = stream->Commit(STGC_DEFAULT);
  return hr;
}

}  // namespace

bool ReadBackFrame(IDirect3DDevice9* Device, TFramePicture& Picture) {
  if (!Device) return false;
  IDirect3DSurface9* target = nullptr;
  if (FAILED(Device->GetRenderTarget(0, &target))) return false;
  D3DSURFACE_DESC desc{};
  target->GetDesc(&desc);
  bool ok = desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8;
  // A multisampled target is resolved first: only a plain one can be copied to memory.
  IDirect3DSurface9* plain = nullptr;
  if (ok && desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
    ok = SUCCEEDED(Device->CreateRenderTarget(desc.Width, desc.Height, desc.Format,
                                              D3DMULTISAMPLE_NONE, 0, FALSE, &plain, nullptr)) &&
         SUCCEEDED(Device->StretchRect(target, nullptr, plain, nullptr, D3DTEXF_NONE));
  }
  IDirect3DSurface9* memory = nullptr;
  ok = ok &&
       SUCCEEDED(Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                     D3DPOOL_SYSTEMMEM, &memory, nullptr)) &&
       SUCCEEDED(Device->GetRenderTargetData(plain ? plain : target, memory));
  D3DLOCKED_RECT locked{};
  if (ok && SUCCEEDED(memory->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    Picture.Width = static_cast<int>(desc.Width);
    Picture.Height = static_cast<int>(desc.Height);
    Picture.Pixels.resize(std::size_t{desc.Width} * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(
          static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch));
      // The back buffer's alpha is no part of the picture.
      for (UINT x = 0; x < desc.Width; ++x)
        Picture.Pixels[std::size_t{y} * desc.Width + x] = row[x] | 0xFF000000u;
    }
    memory->UnlockRect();
  } else {
    ok = false;
  }
  if (memory) memory->Release();
  if (plain) plain->Release();
  target->Release();
  return ok;
}

std::string WritePng(const std::string& File, const TFramePicture& Picture) {
  if (Picture.Width <= 0 || Picture.Height <= 0) return "the picture is empty";
  // Written beside the file under another name, then put in its place: whole or not at all.
  const std::string temporary = File + ".part";
  const HRESULT hr = EncodePng(Wide(temporary), Picture);
  if (FAILED(hr)) {
    DeleteFileA(temporary.c_str());
    return ErrorText(static_cast<DWORD>(hr));
  }
  if (!MoveFileExA(temporary.c_str(), File.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    return ErrorText(error);
  }
  return {};
}

}  // namespace zelmar
