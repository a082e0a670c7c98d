#include "support/GraphDoubles.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace {
const char* IidName(REFIID riid) {
    static const struct {
        const IID* Iid;
        const char* Name;
    } names[] = {
        {&IID_IMediaControl, "IMediaControl"},   {&IID_IMediaSeeking, "IMediaSeeking"},
        {&IID_IBasicAudio, "IBasicAudio"},       {&IID_IBasicVideo, "IBasicVideo"},
        {&IID_IBasicVideo2, "IBasicVideo2"},     {&IID_IVideoWindow, "IVideoWindow"},
        {&IID_IMediaEvent, "IMediaEvent"},       {&IID_IMediaEventEx, "IMediaEventEx"},
        {&IID_ISampleGrabber, "ISampleGrabber"},
    };
    for (const auto& n : names)
        if (riid == *n.Iid)
            return n.Name;
    return nullptr;
}

// Runs the method through the plan: the spoilt call's result, or the normal
// one. `work` does the call's work and writes its results; it is skipped for
// a failure and for an empty success. (What a double records of the call
// itself, for its checks of the order, is recorded before, whatever comes.)
template <class Work>
HRESULT Call(TFaultPlan& plan, const std::string& name, HRESULT normal, Work work) {
    TFaultKind kind = plan.Enter(name);
    if (kind == fkNone || kind == fkFalse)
        work();
    return FaultResult(kind, normal);
}

HRESULT Call(TFaultPlan& plan, const std::string& name, HRESULT normal) {
    return Call(plan, name, normal, [] {});
}

// QueryInterface for one of the interfaces the program asks for, through the
// plan; `cast` gives the interface of the object, or null for none.
template <class Cast>
HRESULT Query(TFaultPlan& plan, const char* object, REFIID riid, void** out, IUnknown* self, Cast cast) {
    const char* name = IidName(riid);
    if (!name) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    TFaultKind kind = plan.Enter(std::string(object) + "::QueryInterface(" + name + ")");
    if (kind == fkFail)
        *out = nullptr;
    if (kind == fkNone || kind == fkFalse) {
        *out = cast();
        if (!*out)
            return E_NOINTERFACE;
        self->AddRef();
    }
    return FaultResult(kind, S_OK);
}
}  // namespace

const char* FaultKindName(TFaultKind kind) {
    switch (kind) {
        case fkNone: return "none";
        case fkFail: return "E_FAIL";
        case fkFalse: return "S_FALSE";
        case fkEmptySuccess: return "empty success";
    }
    return "?";
}

HRESULT FaultResult(TFaultKind kind, HRESULT normal) {
    switch (kind) {
        case fkFail: return E_FAIL;
        case fkFalse: return S_FALSE;
        case fkEmptySuccess: return VFW_S_PARTIAL_RENDER;
        default: return normal;
    }
}

void TFaultPlan::Arm(size_t target, TFaultKind kind) {
    FCalls.clear();
    FTarget = target;
    FKind = kind;
    FHit.clear();
}

TFaultKind TFaultPlan::Enter(const std::string& method) {
    size_t index = FCalls.size();
    FCalls.push_back(method);
    if (index != FTarget || FKind == fkNone)
        return fkNone;
    FHit = method;
    return FKind;
}

// ------------------------------------------------------------------ filters

HRESULT TFakeFilter::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFakeGrabber::QueryInterface(REFIID riid, void** out) {
    // COM's own queries while handing the object out are no calls of the program.
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    if (riid == IID_ISampleGrabber && FAILED(SampleGrabber_hr)) {
        *out = nullptr;
        return SampleGrabber_hr;
    }
    return Query(Plan, "Grabber", riid, out, static_cast<IBaseFilter*>(this),
                 [&]() -> void* { return riid == IID_ISampleGrabber ? static_cast<ISampleGrabber*>(this) : nullptr; });
}

HRESULT TFakeGrabber::SetMediaType(const AM_MEDIA_TYPE* type) {
    ++SetMediaTypeCalls;
    Type = *type;
    return Call(Plan, "ISampleGrabber::SetMediaType", SetMediaType_hr);
}

HRESULT TFakeGrabber::SetBufferSamples(BOOL value) {
    ++SetBufferSamplesCalls;
    BufferSamples = value;
    return Call(Plan, "ISampleGrabber::SetBufferSamples", SetMediaType_hr);
}

TFakeEnum::TFakeEnum(TFaultPlan& plan, const std::vector<IBaseFilter*>& items) : Plan(plan), Items(items) {
    for (IBaseFilter* f : Items)
        f->AddRef();
}

HRESULT TFakeEnum::QueryInterface(REFIID, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TFakeEnum::Release() {
    if (--Refs == 0) {
        for (IBaseFilter* f : Items)
            f->Release();
        Items.clear();
    }
    return Refs;
}

HRESULT TFakeEnum::Skip(ULONG n) {
    EXPECT_EQ(n, 1u);
    bool stops = Pos == SkipStopsAt, more = Pos < Items.size();
    HRESULT hr = stops ? Skip_hr : (more ? S_OK : S_FALSE);
    return Call(Plan, "IEnumFilters::Skip", hr, [&] {
        if (!stops && more)
            ++Pos;
    });
}

HRESULT TFakeEnum::Reset() {
    return Call(Plan, "IEnumFilters::Reset", S_OK, [&] { Pos = 0; });
}

HRESULT TFakeEnum::Next(ULONG n, IBaseFilter** filter, ULONG* fetched) {
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(*filter, nullptr) << "Next into a table entry that still holds a filter";
    bool stops = Pos == NextStopsAt, more = Pos < Items.size();
    HRESULT hr = stops ? Next_hr : (more ? S_OK : S_FALSE);
    return Call(Plan, "IEnumFilters::Next", hr, [&] {
        if (stops)
            return;
        if (more) {
            *filter = Items[Pos++];
            (*filter)->AddRef();
        }
        if (fetched)
            *fetched = more ? 1 : 0;
    });
}

// -------------------------------------------------------------------- graph

TFakeGraph::~TFakeGraph() {
    for (IBaseFilter* f : Filters)
        f->Release();
}

void TFakeGraph::AddFilters(int n) {
    for (int i = 0; i < n; ++i) {
        Owned.push_back(std::make_unique<TFakeFilter>());
        Filters.push_back(Owned.back().get());
        FilterNames.push_back(L"Rendered");
        Owned.back()->AddRef();
    }
}

void TFakeGraph::QueueEvent(long code, HRESULT hr) {
    Events.push_back({hr, code, code * 100, code * 1000});
}

int TFakeGraph::OpenEnums() const {
    int open = 0;
    for (auto& e : Enums)
        open += e->Refs;
    return open;
}

HRESULT TFakeGraph::QueryInterface(REFIID riid, void** out) {
    if (riid == FailQI) {
        *out = nullptr;
        return FailQI_hr;
    }
    if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder) {
        *out = static_cast<IGraphBuilder*>(this);
        AddRef();
        return S_OK;
    }
    return Query(Plan, "IGraphBuilder", riid, out, static_cast<IGraphBuilder*>(this), [&]() -> void* {
        if (riid == IID_IMediaControl)
            return static_cast<IMediaControl*>(this);
        if (riid == IID_IMediaSeeking)
            return static_cast<IMediaSeeking*>(this);
        if (riid == IID_IBasicAudio)
            return static_cast<IBasicAudio*>(this);
        if (riid == IID_IBasicVideo || riid == IID_IBasicVideo2)
            return static_cast<IBasicVideo2*>(this);
        if (riid == IID_IVideoWindow)
            return static_cast<IVideoWindow*>(this);
        if (riid == IID_IMediaEvent || riid == IID_IMediaEventEx)
            return static_cast<IMediaEventEx*>(this);
        return nullptr;
    });
}

HRESULT TFakeGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (AddFilterThrows)
        throw std::runtime_error("AddFilter");
    return Call(Plan, "IGraphBuilder::AddFilter", AddFilter_hr, [&] {
        filter->AddRef();
        Filters.push_back(filter);
        FilterNames.push_back(name ? name : L"");
    });
}

HRESULT TFakeGraph::RemoveFilter(IBaseFilter* filter) {
    // The order ReleaseGraph promises: stopped, enumerator given back,
    // no interface given back yet, video window still attached.
    EXPECT_TRUE(Stopped) << "filter removed from a graph that was not stopped";
    EXPECT_EQ(OpenEnums(), 0) << "filter removed while the enumerator is still held";
    EXPECT_EQ(Refs, RefsAtEnumFilters) << "an interface was given back before the filters were removed";
    EXPECT_EQ(VisibleOffCalls, VisibleOffAtEnum) << "video window hidden before the filters were removed";
    auto it = std::find(Filters.begin(), Filters.end(), filter);
    EXPECT_NE(it, Filters.end()) << "removed a filter that is not in the graph";
    return Call(Plan, "IGraphBuilder::RemoveFilter", it == Filters.end() ? VFW_E_NOT_FOUND : S_OK, [&] {
        if (it == Filters.end())
            return;
        Filters.erase(it);
        Removed.push_back(filter);
        filter->Release();
    });
}

HRESULT TFakeGraph::EnumFilters(IEnumFilters** out) {
    RefsAtEnumFilters = Refs;
    VisibleOffAtEnum = VisibleOffCalls;
    return Call(Plan, "IGraphBuilder::EnumFilters", EnumFilters_hr, [&] {
        Enums.push_back(std::make_unique<TFakeEnum>(Plan, Filters));
        if (SetUpEnum)
            SetUpEnum(*Enums.back());
        *out = Enums.back().get();
    });
}

HRESULT TFakeGraph::RenderFile(LPCWSTR file, LPCWSTR playList) {
    RenderThread = GetCurrentThreadId();
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&RenderApartment, &qualifier)))
        RenderApartment = APTTYPE_CURRENT;
    Rendering = true;
    if (InRenderFile)
        InRenderFile();
    Rendering = false;
    RenderedName = file;
    PlayListGiven = playList != nullptr;
    return Call(Plan, "IGraphBuilder::RenderFile", RenderFile_hr, [&] {
        if (RenderFile_hr == S_OK)
            AddFilters(RenderAdds);
    });
}

HRESULT TFakeGraph::Run() {
    ++RunCalls;
    Stopped = false;
    Running = true;
    return Call(Plan, "IMediaControl::Run", S_OK);
}

HRESULT TFakeGraph::Pause() {
    ++PauseCalls;
    Stopped = false;
    Running = false;
    if (OnPause)
        OnPause();
    return Call(Plan, "IMediaControl::Pause", S_OK);
}

HRESULT TFakeGraph::Stop() {
    EXPECT_FALSE(Rendering) << "graph stopped while RenderFile runs";
    ++StopCalls;
    Stopped = true;
    Running = false;
    if (OnStop)
        OnStop();
    return Call(Plan, "IMediaControl::Stop", S_OK);
}

HRESULT TFakeGraph::GetState(LONG timeout, OAFilterState* state) {
    EXPECT_FALSE(Rendering) << "state asked for while RenderFile runs";
    EXPECT_GT(timeout, 0) << "a wait that cannot see the frame arrive";
    EXPECT_LE(timeout, 1000) << "the window would hang on a filter that never cues";
    ++GetStateCalls;
    return Call(Plan, "IMediaControl::GetState", S_OK, [&] {
        *state = Stopped ? State_Stopped : Running ? State_Running : State_Paused;
    });
}

HRESULT TFakeGraph::GetDuration(LONGLONG* duration) {
    return Call(Plan, "IMediaSeeking::GetDuration", Duration_hr, [&] {
        if (SUCCEEDED(Duration_hr))
            *duration = Duration;
    });
}

HRESULT TFakeGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
    EXPECT_FALSE(Rendering) << "position asked for while RenderFile runs";
    ++GetPositionsCalls;
    return Call(Plan, "IMediaSeeking::GetPositions", GetPositions_hr, [&] {
        *current = Current;
        *stop = Duration;
    });
}

HRESULT TFakeGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
    EXPECT_EQ(currentFlags, DWORD(AM_SEEKING_AbsolutePositioning));
    EXPECT_EQ(stopFlags, DWORD(AM_SEEKING_NoPositioning));
    EXPECT_EQ(stop, current) << "the stop position is the same variable";
    // Wine loses a stream's end when a paused graph is seeked.
    EXPECT_TRUE(Stopped) << "seek while the graph was paused or running";
    Seeks.push_back(*current);
    return Call(Plan, "IMediaSeeking::SetPositions", S_OK);
}

HRESULT TFakeGraph::put_Volume(LONG volume) {
    Volumes.push_back(volume);
    return Call(Plan, "IBasicAudio::put_Volume", S_OK);
}

HRESULT TFakeGraph::GetVideoSize(LONG* width, LONG* height) {
    return Call(Plan, "IBasicVideo::GetVideoSize", VideoSize_hr, [&] {
        if (SUCCEEDED(VideoSize_hr)) {
            *width = VideoWidth;
            *height = VideoHeight;
        }
    });
}

HRESULT TFakeGraph::put_Owner(OAHWND owner) {
    if (owner == 0) {
        EXPECT_TRUE(Hidden) << "owner taken away before the video window was hidden";
    }
    Hidden = false;
    ++OwnerCalls;
    Owner = owner;
    return Call(Plan, owner ? "IVideoWindow::put_Owner" : "IVideoWindow::put_Owner(none)", S_OK);
}

HRESULT TFakeGraph::put_MessageDrain(OAHWND drain) {
    Drain = drain;
    return Call(Plan, "IVideoWindow::put_MessageDrain", S_OK);
}

HRESULT TFakeGraph::put_WindowStyle(LONG style) {
    WindowStyle = style;
    return Call(Plan, "IVideoWindow::put_WindowStyle", S_OK);
}

HRESULT TFakeGraph::put_Visible(LONG visible) {
    if (visible != OAFALSE) {
        EXPECT_NE(Owner, 0) << "video window shown without an owner";
        Hidden = false;
    } else {
        Hidden = true;
        ++VisibleOffCalls;
    }
    return Call(Plan, "IVideoWindow::put_Visible", S_OK);
}

HRESULT TFakeGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    EXPECT_NE(Owner, 0) << "video window placed before it has an owner";
    WindowPositions.push_back({left, top, width, height});
    return Call(Plan, "IVideoWindow::SetWindowPosition", S_OK);
}

HRESULT TFakeGraph::GetMinIdealImageSize(LONG* width, LONG* height) {
    return Call(Plan, "IVideoWindow::GetMinIdealImageSize", IdealSize_hr, [&] {
        if (SUCCEEDED(IdealSize_hr)) {
            *width = 16;
            *height = 12;
        }
    });
}

HRESULT TFakeGraph::GetMaxIdealImageSize(LONG* width, LONG* height) {
    return Call(Plan, "IVideoWindow::GetMaxIdealImageSize", IdealSize_hr, [&] {
        if (SUCCEEDED(IdealSize_hr)) {
            *width = 1280;
            *height = 960;
        }
    });
}

HRESULT TFakeGraph::SetNotifyWindow(OAHWND wnd, LONG msg, LONG_PTR instance) {
    NotifyWindow = wnd;
    NotifyMessage = msg;
    NotifyInstance = instance;
    return Call(Plan, "IMediaEventEx::SetNotifyWindow", S_OK);
}

HRESULT TFakeGraph::SetNotifyFlags(LONG flags) {
    NotifyFlagsCalls = NotifyFlagsCalls < 0 ? 1 : NotifyFlagsCalls + 1;
    NotifyFlags = flags;
    return Call(Plan, "IMediaEventEx::SetNotifyFlags", S_OK);
}

HRESULT TFakeGraph::GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG timeout) {
    EXPECT_FALSE(Rendering) << "event fetched while RenderFile runs";
    EXPECT_EQ(timeout, 10);
    ++GetEventCalls;
    HRESULT normal = Events.empty() ? E_ABORT : Events.front().hr;
    HRESULT hr = Call(Plan, "IMediaEventEx::GetEvent", normal, [&] {
        if (Events.empty())
            return;
        TFakeEvent e = Events.front();
        Events.pop_front();
        if (FAILED(e.hr))
            return;
        *code = e.Code;
        *p1 = e.Param1;
        *p2 = e.Param2;
    });
    // Whatever came with a success is the caller's to give back.
    if (SUCCEEDED(hr))
        ++Outstanding;
    return hr;
}

HRESULT TFakeGraph::FreeEventParams(LONG code, LONG_PTR p1, LONG_PTR p2) {
    EXPECT_GT(Outstanding, 0) << "freed an event that was not fetched";
    EXPECT_EQ(p1, code * 100);
    EXPECT_EQ(p2, code * 1000);
    --Outstanding;
    ++Freed;
    FreedCodes.push_back(code);
    return Call(Plan, "IMediaEventEx::FreeEventParams", S_OK);
}

// ----------------------------------------------------------------- factory

HRESULT TFakeFactory::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *out = this;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFakeFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
    EXPECT_EQ(outer, nullptr);
    *out = nullptr;
    TFaultKind kind = Plan.Enter(Name);
    if (kind == fkFail)
        return E_FAIL;
    if (FAILED(CreateInstance_hr))
        return CreateInstance_hr;
    ++Created;
    // COM itself would stumble over a success without an object, so a class
    // object's odd success always comes with one.
    HRESULT hr = Object->QueryInterface(riid, out);
    return kind == fkNone ? hr : S_FALSE;
}

// --------------------------------------------------------------- registration

bool TFakeDirectShow::Register() {
    return CoRegisterClassObject(CLSID_FilterGraph, &GraphFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                 &FGraphCookie) == S_OK &&
           CoRegisterClassObject(CLSID_SampleGrabber, &GrabberFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                 &FGrabberCookie) == S_OK;
}

void TFakeDirectShow::Revoke() {
    if (FGraphCookie)
        CoRevokeClassObject(FGraphCookie);
    if (FGrabberCookie)
        CoRevokeClassObject(FGrabberCookie);
    FGraphCookie = FGrabberCookie = 0;
}

std::string TFakeDirectShow::Leaks() const {
    std::ostringstream out;
    auto inGraph = [&](const IBaseFilter* f) {
        return static_cast<LONG>(std::count(Graph.Filters.begin(), Graph.Filters.end(), f));
    };
    if (Graph.Refs != 1)
        out << "graph manager: " << Graph.Refs - 1 << " reference(s) held; ";
    LONG grabberHeld = Grabber.Refs - 1 - inGraph(static_cast<const IBaseFilter*>(&Grabber));
    if (grabberHeld)
        out << "grabber: " << grabberHeld << " reference(s) held; ";
    for (size_t i = 0; i < Graph.Owned.size(); ++i) {
        LONG held = Graph.Owned[i]->Refs - 1 - inGraph(Graph.Owned[i].get());
        if (held)
            out << "rendered filter " << i << ": " << held << " reference(s) held; ";
    }
    if (Graph.OpenEnums())
        out << "filter enumerator not given back; ";
    if (Graph.Outstanding)
        out << Graph.Outstanding << " event(s) fetched and not freed; ";
    return out.str();
}
