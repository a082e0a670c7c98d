// What the movie control uses of DirectShow: the platform's own interfaces
// and identifiers, the Sample Grabber (which newer SDKs no longer declare),
// the graph notification message, and a small owning interface pointer.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <cstdint>

// The message the filter graph posts to the movie control whenever it queues
// an event, and the instance value that marks it as ours.
constexpr UINT WM_GRAPHNOTIFY = WM_APP + 12345;
static_assert(WM_GRAPHNOTIFY == 0xB039);
constexpr LONG_PTR GraphNotifyInstance = 54321;

// Class context for the graph manager and the grabber.
constexpr DWORD GraphClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// ------------------------------------------------------------ Sample Grabber

// Internal linkage on purpose: strmiids carries symbols of these names in the
// same object file as the identifiers we do link from it.
constexpr CLSID CLSID_SampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr IID IID_ISampleGrabber = {0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};

struct ISampleGrabberCB;

// The Sample Grabber's own interface, in its published method order.
struct ISampleGrabber : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetOneShot(BOOL oneShot) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL bufferThem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* bufferSize, LONG* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample** sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB* callback, LONG whichMethodToCallback) = 0;
};

// The identifiers the control works with, under the names it uses; all but the
// grabber's come from the platform (uuids.h / strmiids).
//   IID_IGraphBuilder, IID_IMediaControl, IID_IMediaSeeking, IID_IBasicAudio,
//   IID_IBasicVideo, IID_IVideoWindow, IID_IMediaEventEx, IID_IBaseFilter,
//   CLSID_FilterGraph, MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo.

// The grabber's media type: uncompressed 24-bit RGB video, no format block.
AM_MEDIA_TYPE GrabberMediaType();

// ------------------------------------------------------ owning interface pointer

// Holds at most one counted reference and gives it back when emptied or
// destroyed. Not copyable: a field holds exactly one reference.
template <class T>
class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() { Reset(); }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;

    T* Get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }

    // Gives back the reference held, if any.
    void Reset() {
        if (T* p = FPtr) {
            FPtr = nullptr;
            p->Release();
        }
    }
    // Takes a second reference to what another pointer holds.
    void CopyFrom(const TComPtr& other) {
        if (other.FPtr)
            other.FPtr->AddRef();
        Reset();
        FPtr = other.FPtr;
    }
    // For an out parameter: the old reference goes first.
    T** Put() {
        Reset();
        return &FPtr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

private:
    T* FPtr = nullptr;
};
