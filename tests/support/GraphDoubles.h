// Doubles of the filter graph manager, its filters and enumerator, the Sample
// Grabber and their class objects: a healthy graph that checks the order of
// the calls it gets (a failed check fails the running test where it happens),
// with knobs for the result of single calls. Every call that returns an
// HRESULT also goes through a plan, which names and counts it and, at the
// call chosen, returns a failure or a success code nobody expects instead.
// Registered as the classes' objects of the calling thread's apartment, so
// that CoCreateInstance hands them out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/DirectShowStubs.h"

// How the chosen call is spoilt.
enum TFaultKind {
    fkNone,
    fkFail,          // E_FAIL; an interface asked for is not handed out
    fkFalse,         // S_FALSE, with the call's work done and its results written
    fkEmptySuccess,  // a positive code (VFW_S_PARTIAL_RENDER), nothing done or written
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

// A filter of a graph: nothing but its identity and its count.
struct TFakeFilter : StubBaseFilter {
    LONG Refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
};

struct TFakeGrabber : StubBaseFilter, StubSampleGrabber {
    explicit TFakeGrabber(TFaultPlan& plan) : Plan(plan) {}
    TFaultPlan& Plan;
    LONG Refs = 1;

    // Knobs.
    HRESULT SampleGrabber_hr = S_OK;  // QueryInterface(ISampleGrabber)
    HRESULT SetMediaType_hr = S_OK;   // SetMediaType and SetBufferSamples

    // What happened.
    int SetMediaTypeCalls = 0;
    AM_MEDIA_TYPE Type{};
    int SetBufferSamplesCalls = 0;
    BOOL BufferSamples = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL value) override;
};

struct TFakeEnum : StubEnumFilters {
    TFakeEnum(TFaultPlan& plan, const std::vector<IBaseFilter*>& items);
    TFaultPlan& Plan;
    LONG Refs = 1;
    std::vector<IBaseFilter*> Items;  // one reference each while the enumerator is held
    size_t Pos = 0;
    // Skip or Next return this result instead, doing nothing, at that position.
    size_t SkipStopsAt = SIZE_MAX, NextStopsAt = SIZE_MAX;
    HRESULT Skip_hr = S_OK, Next_hr = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG n) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG n, IBaseFilter** filter, ULONG* fetched) override;
};

// An event in the graph's queue: what GetEvent returns, and what it hands out.
struct TFakeEvent {
    HRESULT hr;
    long Code;
    LONG_PTR Param1, Param2;
};

// The filter graph manager with the seven interfaces the control asks for.
struct TFakeGraph : StubGraphBuilder,
                    StubMediaControl,
                    StubMediaSeeking,
                    StubBasicAudio,
                    StubBasicVideo2,
                    StubVideoWindow,
                    StubMediaEventEx {
    explicit TFakeGraph(TFaultPlan& plan) : Plan(plan) {}
    ~TFakeGraph();
    TFaultPlan& Plan;
    LONG Refs = 1;

    // Knobs.
    IID FailQI = GUID_NULL;  // QueryInterface for this one answers FailQI_hr
    HRESULT FailQI_hr = E_NOINTERFACE;
    HRESULT AddFilter_hr = S_OK;
    bool AddFilterThrows = false;
    HRESULT RenderFile_hr = S_OK;
    int RenderAdds = 2;  // filters a successful RenderFile puts into the graph
    HRESULT EnumFilters_hr = S_OK;
    std::function<void(TFakeEnum&)> SetUpEnum;
    HRESULT Duration_hr = S_OK;
    LONGLONG Duration = 25000000;
    HRESULT GetPositions_hr = S_OK;
    LONGLONG Current = 12340000;
    HRESULT VideoSize_hr = S_OK;
    LONG VideoWidth = 640, VideoHeight = 480;
    HRESULT IdealSize_hr = S_OK;
    std::deque<TFakeEvent> Events;
    std::function<void()> OnStop;        // runs inside IMediaControl::Stop
    std::function<void()> OnPause;       // runs inside IMediaControl::Pause
    std::function<void()> InRenderFile;  // runs first inside RenderFile, on its thread

    // What happened.
    std::vector<std::unique_ptr<TFakeFilter>> Owned;
    std::vector<IBaseFilter*> Filters;  // in the graph, one reference each
    std::vector<std::wstring> FilterNames;
    std::vector<IBaseFilter*> Removed;
    std::vector<std::unique_ptr<TFakeEnum>> Enums;
    LONG RefsAtEnumFilters = 0;
    std::wstring RenderedName;
    bool PlayListGiven = false;
    bool Rendering = false;  // inside RenderFile, where no other call may come
    DWORD RenderThread = 0;
    APTTYPE RenderApartment = APTTYPE_CURRENT;
    bool Stopped = true;  // a new graph is stopped
    bool Running = false;
    int RunCalls = 0, PauseCalls = 0, StopCalls = 0;
    int GetStateCalls = 0;  // each a wait for the state asked for
    std::vector<LONGLONG> Seeks;
    int GetPositionsCalls = 0;
    std::vector<LONG> Volumes;
    OAHWND Owner = 0, Drain = 0;
    int OwnerCalls = 0;
    LONG WindowStyle = 0;
    std::vector<RECT> WindowPositions;
    int VisibleOffCalls = 0, VisibleOffAtEnum = 0;
    bool Hidden = false;
    OAHWND NotifyWindow = 0;
    LONG NotifyMessage = 0;
    LONG_PTR NotifyInstance = 0;
    int NotifyFlagsCalls = -1;
    LONG NotifyFlags = -1;
    int GetEventCalls = 0, Outstanding = 0, Freed = 0;  // Outstanding: fetched, not yet freed
    std::vector<long> FreedCodes;

    // Filters as RenderFile would add them.
    void AddFilters(int n);
    // Queues an event whose parameters are what FreeEventParams expects back.
    void QueueEvent(long code, HRESULT hr = S_OK);
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
    HRESULT STDMETHODCALLTYPE GetState(LONG timeout, OAFilterState* state) override;

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

// A class object handing out one double, or failing; its CreateInstance is a
// call of the plan.
struct TFakeFactory : IClassFactory {
    TFakeFactory(TFaultPlan& plan, IUnknown* object, const char* name) : Plan(plan), Object(object), Name(name) {}
    TFaultPlan& Plan;
    IUnknown* Object;
    const char* Name;
    HRESULT CreateInstance_hr = S_OK;
    int Created = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// One graph manager and one grabber, with their class objects. Register()
// makes them CLSID_FilterGraph and CLSID_SampleGrabber in this thread's
// apartment (which must be entered) until Revoke() or the end of the object.
class TFakeDirectShow {
public:
    TFakeDirectShow() = default;
    ~TFakeDirectShow() { Revoke(); }
    TFakeDirectShow(const TFakeDirectShow&) = delete;
    TFakeDirectShow& operator=(const TFakeDirectShow&) = delete;

    bool Register();
    void Revoke();

    TFaultPlan Plan;
    // The grabber outlives the graph, which may still hold it at the end.
    TFakeGrabber Grabber{Plan};
    TFakeGraph Graph{Plan};
    TFakeFactory GraphFactory{Plan, static_cast<IGraphBuilder*>(&Graph), "CoCreateInstance(FilterGraph)"};
    TFakeFactory GrabberFactory{Plan, static_cast<IBaseFilter*>(&Grabber), "CoCreateInstance(SampleGrabber)"};

    // What is still held of the doubles beyond their own reference, by
    // anybody but the graph itself; empty when everything was given back.
    std::string Leaks() const;

private:
    DWORD FGraphCookie = 0, FGrabberCookie = 0;
};
