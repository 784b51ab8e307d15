// PNG through the Windows Imaging Component, the system's own image codecs.
#include "src/os.h"

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <limits>

namespace {

// COM for the calling thread while it lives, if the thread has none yet; a thread that the
// host has already started in either model keeps it.
class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

// An interface pointer released when it goes.
template <typename T> class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (p_ != nullptr)
            p_->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;

    T** operator&() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

private:
    T* p_ = nullptr;
};

bool CreateFactory(Ref<IWICImagingFactory>& factory) {
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory,
                                        reinterpret_cast<void**>(&factory)));
}

bool Encode(const unsigned char* bgr, int width, int height, std::vector<unsigned char>* png) {
    Ref<IWICImagingFactory> factory;
    if (!CreateFactory(factory))
        return false;
    Ref<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return false;
    Ref<IWICBitmapEncoder> encoder;
    Ref<IWICBitmapFrameEncode> frame;
    Ref<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    const UINT stride = static_cast<UINT>(width) * 3;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &options)) ||
        FAILED(frame->Initialize(options.get())) ||
        FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) ||
        FAILED(frame->SetPixelFormat(&format)) ||
        !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) ||
        FAILED(frame->WritePixels(static_cast<UINT>(height), stride,
                                  stride * static_cast<UINT>(height), const_cast<BYTE*>(bgr))) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return false;
    HGLOBAL memory = nullptr;
    STATSTG status;
    if (FAILED(::GetHGlobalFromStream(stream.get(), &memory)) ||
        FAILED(stream->Stat(&status, STATFLAG_NONAME)) || status.cbSize.HighPart != 0)
        return false;
    const void* bytes = ::GlobalLock(memory);
    if (bytes == nullptr)
        return false;
    const auto* first = static_cast<const unsigned char*>(bytes);
    png->assign(first, first + status.cbSize.LowPart);
    ::GlobalUnlock(memory);
    return true;
}

bool Decode(const unsigned char* png, std::size_t count, int maxSide, int* width, int* height,
            std::vector<unsigned char>* bgr) {
    if (count > std::numeric_limits<DWORD>::max())
        return false;
    Ref<IWICImagingFactory> factory;
    if (!CreateFactory(factory))
        return false;
    Ref<IWICStream> stream;
    Ref<IWICBitmapDecoder> decoder;
    Ref<IWICBitmapFrameDecode> frame;
    Ref<IWICBitmapSource> converted;
    UINT w = 0, h = 0;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png), static_cast<DWORD>(count))) ||
        FAILED(factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, &decoder)) ||
        FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.get(), &converted)) ||
        FAILED(converted->GetSize(&w, &h)))
        return false;
    const auto limit = static_cast<UINT>(maxSide);
    if (w == 0 || h == 0 || w > limit || h > limit)
        return false;
    const UINT stride = w * 3;
    bgr->resize(static_cast<std::size_t>(stride) * h);
    if (FAILED(
            converted->CopyPixels(nullptr, stride, static_cast<UINT>(bgr->size()), bgr->data()))) {
        bgr->clear();
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

} // namespace

namespace platform_os {

bool EncodePngBgr(const unsigned char* bgr, int width, int height,
                  std::vector<unsigned char>* png) {
    ComScope com;
    return Encode(bgr, width, height, png);
}

bool DecodePngBgr(const unsigned char* png, std::size_t count, int maxSide, int* width, int* height,
                  std::vector<unsigned char>* bgr) {
    ComScope com;
    return Decode(png, count, maxSide, width, height, bgr);
}

} // namespace platform_os
