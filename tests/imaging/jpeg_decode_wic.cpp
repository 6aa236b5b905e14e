// JPEG decoding for the Windows build of the tests: the platform's imaging
// component.
#include <windows.h>
#include <wincodec.h>

#include "tests/imaging/picture_files.h"

bool decodeJpeg(const std::string& path, DecodedPicture* out) {
  const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  IWICFormatConverter* converter = nullptr;
  wchar_t widePath[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr))
    hr = factory->CreateDecoderFromFilename(widePath, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
  GUID container = {};
  if (SUCCEEDED(hr)) hr = decoder->GetContainerFormat(&container);
  if (SUCCEEDED(hr) && !IsEqualGUID(container, GUID_ContainerFormatJpeg)) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &frame);
  UINT width = 0, height = 0;
  WICPixelFormatGUID format = {};
  if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
  if (SUCCEEDED(hr)) hr = frame->GetPixelFormat(&format);
  if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(&converter);
  if (SUCCEEDED(hr))
    hr = converter->Initialize(frame, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                               WICBitmapPaletteTypeCustom);
  if (SUCCEEDED(hr)) {
    out->width = static_cast<int32_t>(width);
    out->height = static_cast<int32_t>(height);
    out->bitsPerPixel = IsEqualGUID(format, GUID_WICPixelFormat8bppGray) ? 8 : 24;
    out->pixels.resize(static_cast<size_t>(width) * height * 3);
    hr = converter->CopyPixels(nullptr, width * 3, static_cast<UINT>(out->pixels.size()), out->pixels.data());
  }
  if (converter) converter->Release();
  if (frame) frame->Release();
  if (decoder) decoder->Release();
  if (factory) factory->Release();
  if (SUCCEEDED(joined)) CoUninitialize();
  return SUCCEEDED(hr);
}
