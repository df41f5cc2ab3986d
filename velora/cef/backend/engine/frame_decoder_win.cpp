#include "frame_decoder_win.h"

#include <objbase.h>
#include <wincodec.h>

namespace velora_engine {
namespace {

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() { if (p) p->Release(); }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

// One WIC factory per thread, released before the thread leaves COM.
thread_local IWICImagingFactory* t_factory = nullptr;

void ReleaseThreadFactory() {
  if (t_factory) t_factory->Release();
  t_factory = nullptr;
}

}  // namespace

bool DecodeImage(const uint8_t* data, size_t size, DecodedFrame* out) {
  if (!t_factory &&
      FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&t_factory))))
    return false;
  IWICImagingFactory* factory = t_factory;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(&stream))) return false;
  if (FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size))))
    return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder)))
    return false;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, &frame))) return false;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(&converter))) return false;
  if (FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom)))
    return false;
  UINT w = 0, h = 0;
  if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0 || w > 16384 || h > 16384)
    return false;
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);
  out->pixels.resize(static_cast<size_t>(w) * h);
  return SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4,
                                         reinterpret_cast<BYTE*>(out->pixels.data())));
}

ScreencastDecoder::ScreencastDecoder(Sink sink) : sink_(std::move(sink)) {
  thread_ = std::thread([this] { Run(); });
}

ScreencastDecoder::~ScreencastDecoder() {
  {
    std::lock_guard<std::mutex> g(lock_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void ScreencastDecoder::Submit(int browser_id, std::string base64_image) {
  {
    std::lock_guard<std::mutex> g(lock_);
    pending_[browser_id] = std::move(base64_image);
  }
  wake_.notify_one();
}

void ScreencastDecoder::Forget(int browser_id) {
  std::lock_guard<std::mutex> g(lock_);
  pending_.erase(browser_id);
}

void ScreencastDecoder::Run() {
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  std::vector<uint8_t> bytes;
  while (true) {
    int id = 0;
    std::string text;
    {
      std::unique_lock<std::mutex> g(lock_);
      wake_.wait(g, [this] { return stop_ || !pending_.empty(); });
      if (stop_) break;
      auto it = pending_.begin();
      id = it->first;
      text.swap(it->second);
      pending_.erase(it);
    }
    auto frame = std::make_shared<DecodedFrame>();
    if (DecodeBase64(text, &bytes) && DecodeImage(bytes.data(), bytes.size(), frame.get()))
      sink_(id, std::move(frame));
  }
  ReleaseThreadFactory();
  if (SUCCEEDED(com)) ::CoUninitialize();
}

}  // namespace velora_engine
