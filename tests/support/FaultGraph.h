// Doubles of the filter graph manager and of the Sample Grabber that behave
// like a healthy graph, and can spoil any one call: every call that returns
// an HRESULT goes through a plan, which names and counts it and, at the call
// chosen, returns a failure or a success code nobody expects instead.
// Registered as the classes' objects of the calling thread's apartment, so
// that CoCreateInstance hands them out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/DirectShowStubs.h"

// How the chosen call is spoilt.
enum TFaultKind {
    fkNone,
    fkFail,           // E_FAIL; an interface asked for is not handed out
    fkFalse,          // S_FALSE, with the call's work done and its results written
    fkEmptySuccess,   // a positive code (VFW_S_PARTIAL_RENDER), nothing done or written
};
const char* FaultKindName(TFaultKind kind);

class TFaultPlan {
public:
    // Starts a run: no call seen yet; the call with this index (from 0) gets
    // the fault.
    void Arm(size_t target, TFaultKind kind);
    // Called by every double's method: whether this call is the spoilt one.
    TFaultKind Enter(const std::string& method);

    const std::vector<std::string>& Calls() const { return FCalls; }
    // The spoilt call's name, empty while it has not come.
    const std::string& Hit() const { return FHit; }
    TFaultKind Kind() const { return FKind; }

private:
    std::vector<std::string> FCalls;
    size_t FTarget = SIZE_MAX;
    TFaultKind FKind = fkNone;
    std::string FHit;
};

// The result of a call: the normal one, or the fault's.
HRESULT FaultResult(TFaultKind kind, HRESULT normal);

struct TFaultFilter : StubBaseFilter {
    LONG Refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
};

struct TFaultGrabber : StubBaseFilter, StubSampleGrabber {
    explicit TFaultGrabber(TFaultPlan& plan) : Plan(plan) {}
    TFaultPlan& Plan;
    LONG Refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL value) override;
};

struct TFaultEnum : StubEnumFilters {
    TFaultEnum(TFaultPlan& plan, const std::vector<IBaseFilter*>& items);
    TFaultPlan& Plan;
    LONG Refs = 1;
    std::vector<IBaseFilter*> Items;
    size_t Pos = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG n) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG n, IBaseFilter** filter, ULONG* fetched) override;
};

struct TFaultGraph : StubGraphBuilder,
                     StubMediaControl,
                     StubMediaSeeking,
                     StubBasicAudio,
                     StubBasicVideo2,
                     StubVideoWindow,
                     StubMediaEventEx {
    explicit TFaultGraph(TFaultPlan& plan) : Plan(plan) {}
    ~TFaultGraph();
    TFaultPlan& Plan;
    LONG Refs = 1;

    // A successful RenderFile puts this many filters of its own in the graph.
    int RenderAdds = 3;
    // Runs first inside RenderFile, on whatever thread calls it: to hold the
    // call there until a test lets it go.
    std::function<void()> InRenderFile;
    // Events the graph has queued: GetEvent hands them out in order.
    std::vector<long> Queued;

    std::vector<std::unique_ptr<TFaultFilter>> Owned;
    std::vector<IBaseFilter*> Filters;  // in the graph, one reference each
    std::vector<std::unique_ptr<TFaultEnum>> Enums;
    int Fetched = 0, Freed = 0;          // events handed out, events given back
    bool Running = false;
    OAHWND Owner = 0;

    int OpenEnums() const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }

    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) override;
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** out) override;
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR file, LPCWSTR playList) override;

    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;

    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;

    HRESULT STDMETHODCALLTYPE put_Volume(LONG volume) override;
    HRESULT STDMETHODCALLTYPE GetVideoSize(LONG* width, LONG* height) override;

    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override;
    HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND drain) override;
    HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) override;
    HRESULT STDMETHODCALLTYPE put_Visible(LONG visible) override;
    HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(LONG* width, LONG* height) override;
    HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(LONG* width, LONG* height) override;

    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND wnd, LONG msg, LONG_PTR instance) override;
    HRESULT STDMETHODCALLTYPE SetNotifyFlags(LONG flags) override;
    HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG timeout) override;
    HRESULT STDMETHODCALLTYPE FreeEventParams(LONG code, LONG_PTR p1, LONG_PTR p2) override;
};

// A class object handing out one double; its CreateInstance is a call of the plan.
struct TFaultFactory : IClassFactory {
    TFaultFactory(TFaultPlan& plan, IUnknown* object, const char* name) : Plan(plan), Object(object), Name(name) {}
    TFaultPlan& Plan;
    IUnknown* Object;
    const char* Name;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// One graph manager and one grabber, registered for CLSID_FilterGraph and
// CLSID_SampleGrabber in this thread's apartment (which must be entered)
// for as long as the object lives.
class TFaultyDirectShow {
public:
    TFaultyDirectShow();
    ~TFaultyDirectShow();
    TFaultyDirectShow(const TFaultyDirectShow&) = delete;
    TFaultyDirectShow& operator=(const TFaultyDirectShow&) = delete;

    TFaultPlan Plan;
    // The grabber outlives the graph, which may still hold it at the end.
    TFaultGrabber Grabber{Plan};
    TFaultGraph Graph{Plan};

    // What is still held of the doubles beyond their own reference, by
    // anybody but the graph itself; empty when everything was given back.
    std::string Leaks() const;

private:
    TFaultFactory FGraphFactory{Plan, static_cast<IGraphBuilder*>(&Graph), "CoCreateInstance(FilterGraph)"};
    TFaultFactory FGrabberFactory{Plan, static_cast<IBaseFilter*>(&Grabber), "CoCreateInstance(SampleGrabber)"};
    DWORD FGraphCookie = 0, FGrabberCookie = 0;
};
