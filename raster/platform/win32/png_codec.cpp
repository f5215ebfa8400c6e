// PNG decoding and encoding with the Windows Imaging Component, Windows' own image codecs.
#include <cstdint>
#include <cstring>

#include "raster/platform/win32/imaging_api.h"
#include "raster/png_read.h"
#include "raster/png_write.h"

namespace raster {
namespace {

// Releases a COM interface on every way out.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** operator&() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the calling thread while a codec runs. A host thread that already has COM keeps its
// own apartment; a thread without COM gets it for this call only.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

bool Factory(ComPtr<IWICImagingFactory>& factory, std::string& error) {
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)))) {
    error = "the Windows Imaging Component is not available";
    return false;
  }
  return true;
}

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A big-endian field of the image header, which is the first chunk after the signature.
unsigned HeaderField(const unsigned char* png, std::size_t at) {
  return unsigned(png[at]) << 24 | unsigned(png[at + 1]) << 16 | unsigned(png[at + 2]) << 8 |
         unsigned(png[at + 3]);
}

bool SizeInRange(unsigned width, unsigned height) {
  return width >= 1 && height >= 1 && width <= unsigned(Bitmap::kMaxSide) &&
         height <= unsigned(Bitmap::kMaxSide) && std::int64_t{width} * height <= Bitmap::kMaxPixels;
}

std::string SizeError(unsigned width, unsigned height) {
  return "PNG image size " + std::to_string(width) + " x " + std::to_string(height) +
         " out of range";
}

}  // namespace

bool DecodePng(const void* data, std::size_t size, Bitmap& out, std::string& error) {
  out = Bitmap();
  if (data == nullptr || size < 8) {
    error = "not a PNG image: too short";
    return false;
  }
  if (std::memcmp(data, kSignature, sizeof kSignature) != 0) {
    error = "not a PNG image: bad signature";
    return false;
  }
  if (size > 0x7FFFFFFF) {
    error = "PNG image too large";
    return false;
  }
  // Refused before any decoder sees it, whatever the decoder would try to allocate.
  const auto* png = static_cast<const unsigned char*>(data);
  if (size < 24 || std::memcmp(png + 12, "IHDR", 4) != 0) {
    error = "PNG header: no image header";
    return false;
  }
  if (!SizeInRange(HeaderField(png, 16), HeaderField(png, 20))) {
    error = SizeError(HeaderField(png, 16), HeaderField(png, 20));
    return false;
  }
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (!Factory(factory, error)) return false;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  BYTE* bytes = const_cast<BYTE*>(png);  // the stream only reads
  if (FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(bytes, DWORD(size))) ||
      FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) ||
      FAILED(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
      FAILED(decoder->GetFrame(0, &frame))) {
    error = "PNG header: damaged or unsupported image";
    return false;
  }
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || !SizeInRange(width, height)) {
    error = SizeError(width, height);
    return false;
  }
  // B, G, R, A bytes with straight alpha are the 0xAARRGGBB pixels on little-endian machines.
  ComPtr<IWICBitmapSource> pixels;
  Bitmap bitmap(static_cast<int>(width), static_cast<int>(height));
  if (bitmap.Empty()) {
    error = "PNG image too large";
    return false;
  }
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), &pixels)) ||
      FAILED(pixels->CopyPixels(nullptr, width * 4, width * height * 4,
                                reinterpret_cast<BYTE*>(bitmap.Data())))) {
    error = "PNG data: damaged image";
    return false;
  }
  out = std::move(bitmap);
  return true;
}

bool EncodePng(const Bitmap& bitmap, std::vector<unsigned char>& out, std::string& error) {
  out.clear();
  if (bitmap.Empty()) {
    error = "empty bitmap";
    return false;
  }
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (!Factory(factory, error)) return false;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  const UINT width = UINT(bitmap.Width()), height = UINT(bitmap.Height());
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  BYTE* pixels = reinterpret_cast<BYTE*>(const_cast<Pixel*>(bitmap.Data()));  // only read
  const bool encoded =
      SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
      SUCCEEDED(frame->Initialize(options.Get())) && SUCCEEDED(frame->SetSize(width, height)) &&
      SUCCEEDED(frame->SetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
      SUCCEEDED(frame->WritePixels(height, width * 4, width * height * 4, pixels)) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  STATSTG stat{};
  HGLOBAL memory = nullptr;
  if (!encoded || FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
      FAILED(GetHGlobalFromStream(stream.Get(), &memory))) {
    error = "PNG encoder: the Windows Imaging Component refused the image";
    return false;
  }
  const void* bytes = GlobalLock(memory);
  if (bytes == nullptr) {
    error = "PNG encoder: no memory";
    return false;
  }
  const auto* begin = static_cast<const unsigned char*>(bytes);
  out.assign(begin, begin + stat.cbSize.QuadPart);
  GlobalUnlock(memory);
  return true;
}

}  // namespace raster
