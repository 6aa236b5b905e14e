// The JPEG encoder of the Windows build: the platform's imaging component
// (WIC), encoding into a memory stream that the layer then writes out.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdlib>
#include <cstring>

#include "imaging/jpeg_encoder.h"

namespace imaging {

namespace {

template <typename T>
void release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// The encoder's settings: the quality, as a fraction of 1.
HRESULT setQuality(IPropertyBag2* options, int quality) {
  PROPBAG2 option = {};
  option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R4;
  value.fltVal = static_cast<float>(quality) / 100.0f;
  return options->Write(1, &option, &value);
}

// The stored rows run bottom row first; the encoder takes them top row
// first, one at a time.
HRESULT encodeFrame(IWICImagingFactory* factory, IStream* stream, const LibraryBitmap& bitmap, int quality) {
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  IPropertyBag2* options = nullptr;
  HRESULT hr = factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, &options);
  if (SUCCEEDED(hr)) hr = setQuality(options, quality);
  if (SUCCEEDED(hr)) hr = frame->Initialize(options);
  if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(bitmap.width), static_cast<UINT>(bitmap.height));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = E_FAIL;
  for (int32_t row = bitmap.height - 1; SUCCEEDED(hr) && row >= 0; --row) {
    BYTE* pixels = bitmap.rows + static_cast<size_t>(row) * bitmap.stride;
    hr = frame->WritePixels(1, bitmap.stride, bitmap.stride, pixels);
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  release(options);
  release(frame);
  release(encoder);
  return hr;
}

// Copies the stream's content into a block of our own.
bool takeStreamBytes(IStream* stream, EncodedJpeg* out) {
  STATSTG stat = {};
  HGLOBAL memory = nullptr;
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream, &memory))) return false;
  const size_t count = static_cast<size_t>(stat.cbSize.QuadPart);
  const void* source = GlobalLock(memory);
  uint8_t* bytes = source ? static_cast<uint8_t*>(std::malloc(count ? count : 1)) : nullptr;
  if (bytes) std::memcpy(bytes, source, count);
  if (source) GlobalUnlock(memory);
  if (!bytes) return false;
  *out = EncodedJpeg{bytes, count};
  return true;
}

}  // namespace

bool encodeJpeg(const LibraryBitmap& bitmap, int quality, EncodedJpeg* out) {
  *out = EncodedJpeg{nullptr, 0};
  // The component is a COM server: the calling thread joins an apartment
  // for the call (or stays in the one it is in).
  const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  IStream* stream = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (SUCCEEDED(hr)) hr = encodeFrame(factory, stream, bitmap, quality);
  const bool encoded = SUCCEEDED(hr) && takeStreamBytes(stream, out);
  release(stream);
  release(factory);
  if (SUCCEEDED(joined)) CoUninitialize();
  return encoded;
}

void releaseJpeg(EncodedJpeg* encoded) {
  std::free(encoded->bytes);
  *encoded = EncodedJpeg{nullptr, 0};
}

}  // namespace imaging
