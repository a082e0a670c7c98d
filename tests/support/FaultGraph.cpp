#include "support/FaultGraph.h"

#include <algorithm>
#include <memory>
#include <sstream>

namespace {
const char* IidName(REFIID riid) {
    if (riid == IID_IMediaControl)
        return "IMediaControl";
    if (riid == IID_IMediaSeeking)
        return "IMediaSeeking";
    if (riid == IID_IBasicAudio)
        return "IBasicAudio";
    if (riid == IID_IBasicVideo)
        return "IBasicVideo";
    if (riid == IID_IBasicVideo2)
        return "IBasicVideo2";
    if (riid == IID_IVideoWindow)
        return "IVideoWindow";
    if (riid == IID_IMediaEvent)
        return "IMediaEvent";
    if (riid == IID_IMediaEventEx)
        return "IMediaEventEx";
    if (riid == IID_ISampleGrabber)
        return "ISampleGrabber";
    return nullptr;
}

// Runs the method through the plan: the spoilt call's result, or the normal
// one. `work` does the call's work and writes its results; it is skipped for
// a failure and for an empty success.
template <class Work>
HRESULT Call(TFaultPlan& plan, const std::string& name, HRESULT normal, Work work) {
    TFaultKind kind = plan.Enter(name);
    if (kind == fkNone || kind == fkFalse)
        work();
    return FaultResult(kind, normal);
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

HRESULT TFaultFilter::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFaultGrabber::QueryInterface(REFIID riid, void** out) {
    // COM's own queries while handing the object out are no calls of the program.
    if (riid == IID_IUnknown || riid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    const char* name = IidName(riid);
    if (!name) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    TFaultKind kind = Plan.Enter(std::string("Grabber::QueryInterface(") + name + ")");
    if (kind == fkFail)
        *out = nullptr;
    if (kind == fkNone || kind == fkFalse) {
        if (riid != IID_ISampleGrabber) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<ISampleGrabber*>(this);
        AddRef();
    }
    return FaultResult(kind, S_OK);
}

HRESULT TFaultGrabber::SetMediaType(const AM_MEDIA_TYPE*) {
    return Call(Plan, "ISampleGrabber::SetMediaType", S_OK, [] {});
}

HRESULT TFaultGrabber::SetBufferSamples(BOOL) {
    return Call(Plan, "ISampleGrabber::SetBufferSamples", S_OK, [] {});
}

TFaultEnum::TFaultEnum(TFaultPlan& plan, const std::vector<IBaseFilter*>& items) : Plan(plan), Items(items) {
    for (IBaseFilter* f : Items)
        f->AddRef();
}

HRESULT TFaultEnum::QueryInterface(REFIID, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TFaultEnum::Release() {
    if (--Refs == 0) {
        for (IBaseFilter* f : Items)
            f->Release();
        Items.clear();
    }
    return Refs;
}

HRESULT TFaultEnum::Skip(ULONG n) {
    bool more = Pos + n <= Items.size();
    return Call(Plan, "IEnumFilters::Skip", more ? S_OK : S_FALSE, [&] { Pos = std::min<size_t>(Items.size(), Pos + n); });
}

HRESULT TFaultEnum::Reset() {
    return Call(Plan, "IEnumFilters::Reset", S_OK, [&] { Pos = 0; });
}

HRESULT TFaultEnum::Next(ULONG n, IBaseFilter** filter, ULONG* fetched) {
    bool more = Pos < Items.size();
    TFaultKind kind = Plan.Enter("IEnumFilters::Next");
    if (kind == fkNone || kind == fkFalse) {
        if (more) {
            *filter = Items[Pos++];
            (*filter)->AddRef();
        }
        if (fetched)
            *fetched = more ? 1 : 0;
    }
    return FaultResult(kind, more ? S_OK : S_FALSE);
}

// -------------------------------------------------------------------- graph

TFaultGraph::~TFaultGraph() {
    for (IBaseFilter* f : Filters)
        f->Release();
}

int TFaultGraph::OpenEnums() const {
    int open = 0;
    for (auto& e : Enums)
        open += e->Refs;
    return open;
}

HRESULT TFaultGraph::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder) {
        *out = static_cast<IGraphBuilder*>(this);
        AddRef();
        return S_OK;
    }
    const char* name = IidName(riid);
    if (!name) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    TFaultKind kind = Plan.Enter(std::string("IGraphBuilder::QueryInterface(") + name + ")");
    if (kind == fkFail)
        *out = nullptr;
    if (kind == fkNone || kind == fkFalse) {
        if (riid == IID_IMediaControl)
            *out = static_cast<IMediaControl*>(this);
        else if (riid == IID_IMediaSeeking)
            *out = static_cast<IMediaSeeking*>(this);
        else if (riid == IID_IBasicAudio)
            *out = static_cast<IBasicAudio*>(this);
        else if (riid == IID_IBasicVideo || riid == IID_IBasicVideo2)
            *out = static_cast<IBasicVideo2*>(this);
        else if (riid == IID_IVideoWindow)
            *out = static_cast<IVideoWindow*>(this);
        else if (riid == IID_IMediaEvent || riid == IID_IMediaEventEx)
            *out = static_cast<IMediaEventEx*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
    }
    return FaultResult(kind, S_OK);
}

HRESULT TFaultGraph::AddFilter(IBaseFilter* filter, LPCWSTR) {
    return Call(Plan, "IGraphBuilder::AddFilter", S_OK, [&] {
        filter->AddRef();
        Filters.push_back(filter);
    });
}

HRESULT TFaultGraph::RemoveFilter(IBaseFilter* filter) {
    auto it = std::find(Filters.begin(), Filters.end(), filter);
    return Call(Plan, "IGraphBuilder::RemoveFilter", it == Filters.end() ? VFW_E_NOT_FOUND : S_OK, [&] {
        if (it != Filters.end()) {
            Filters.erase(it);
            filter->Release();
        }
    });
}

HRESULT TFaultGraph::EnumFilters(IEnumFilters** out) {
    return Call(Plan, "IGraphBuilder::EnumFilters", S_OK, [&] {
        Enums.push_back(std::make_unique<TFaultEnum>(Plan, Filters));
        *out = Enums.back().get();
    });
}

HRESULT TFaultGraph::RenderFile(LPCWSTR, LPCWSTR) {
    if (InRenderFile)
        InRenderFile();
    return Call(Plan, "IGraphBuilder::RenderFile", S_OK, [&] {
        for (int i = 0; i < RenderAdds; ++i) {
            Owned.push_back(std::make_unique<TFaultFilter>());
            Owned.back()->AddRef();
            Filters.push_back(Owned.back().get());
        }
    });
}

HRESULT TFaultGraph::Run() {
    return Call(Plan, "IMediaControl::Run", S_OK, [&] { Running = true; });
}

HRESULT TFaultGraph::Pause() {
    return Call(Plan, "IMediaControl::Pause", S_OK, [&] { Running = false; });
}

HRESULT TFaultGraph::Stop() {
    return Call(Plan, "IMediaControl::Stop", S_OK, [&] { Running = false; });
}

HRESULT TFaultGraph::GetDuration(LONGLONG* duration) {
    return Call(Plan, "IMediaSeeking::GetDuration", S_OK, [&] { *duration = 25000000; });
}

HRESULT TFaultGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
    return Call(Plan, "IMediaSeeking::GetPositions", S_OK, [&] {
        *current = 12340000;
        *stop = 25000000;
    });
}

HRESULT TFaultGraph::SetPositions(LONGLONG*, DWORD, LONGLONG*, DWORD) {
    return Call(Plan, "IMediaSeeking::SetPositions", S_OK, [] {});
}

HRESULT TFaultGraph::put_Volume(LONG) {
    return Call(Plan, "IBasicAudio::put_Volume", S_OK, [] {});
}

HRESULT TFaultGraph::GetVideoSize(LONG* width, LONG* height) {
    return Call(Plan, "IBasicVideo::GetVideoSize", S_OK, [&] {
        *width = 640;
        *height = 480;
    });
}

HRESULT TFaultGraph::put_Owner(OAHWND owner) {
    return Call(Plan, owner ? "IVideoWindow::put_Owner" : "IVideoWindow::put_Owner(none)", S_OK,
                [&] { Owner = owner; });
}

HRESULT TFaultGraph::put_MessageDrain(OAHWND) {
    return Call(Plan, "IVideoWindow::put_MessageDrain", S_OK, [] {});
}

HRESULT TFaultGraph::put_WindowStyle(LONG) {
    return Call(Plan, "IVideoWindow::put_WindowStyle", S_OK, [] {});
}

HRESULT TFaultGraph::put_Visible(LONG) {
    return Call(Plan, "IVideoWindow::put_Visible", S_OK, [] {});
}

HRESULT TFaultGraph::SetWindowPosition(LONG, LONG, LONG, LONG) {
    return Call(Plan, "IVideoWindow::SetWindowPosition", S_OK, [] {});
}

HRESULT TFaultGraph::GetMinIdealImageSize(LONG* width, LONG* height) {
    return Call(Plan, "IVideoWindow::GetMinIdealImageSize", S_OK, [&] {
        *width = 16;
        *height = 12;
    });
}

HRESULT TFaultGraph::GetMaxIdealImageSize(LONG* width, LONG* height) {
    return Call(Plan, "IVideoWindow::GetMaxIdealImageSize", S_OK, [&] {
        *width = 1280;
        *height = 960;
    });
}

HRESULT TFaultGraph::SetNotifyWindow(OAHWND, LONG, LONG_PTR) {
    return Call(Plan, "IMediaEventEx::SetNotifyWindow", S_OK, [] {});
}

HRESULT TFaultGraph::SetNotifyFlags(LONG) {
    return Call(Plan, "IMediaEventEx::SetNotifyFlags", S_OK, [] {});
}

HRESULT TFaultGraph::GetEvent(LONG* code, LONG_PTR* p1, LONG_PTR* p2, LONG) {
    bool queued = !Queued.empty();
    HRESULT hr = Call(Plan, "IMediaEventEx::GetEvent", queued ? S_OK : E_ABORT, [&] {
        if (!queued)
            return;
        *code = Queued.front();
        *p1 = *code * 100;
        *p2 = *code * 1000;
        Queued.erase(Queued.begin());
    });
    // Whatever came with a success is the caller's to give back.
    if (SUCCEEDED(hr))
        ++Fetched;
    return hr;
}

HRESULT TFaultGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) {
    ++Freed;
    return Call(Plan, "IMediaEventEx::FreeEventParams", S_OK, [] {});
}

// ----------------------------------------------------------------- factory

HRESULT TFaultFactory::QueryInterface(REFIID riid, void** out) {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *out = this;
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFaultFactory::CreateInstance(IUnknown*, REFIID riid, void** out) {
    *out = nullptr;
    TFaultKind kind = Plan.Enter(Name);
    if (kind == fkFail)
        return E_FAIL;
    // COM itself would stumble over a success without an object, so a class
    // object's odd success always comes with one.
    HRESULT hr = Object->QueryInterface(riid, out);
    return kind == fkNone ? hr : S_FALSE;
}

// --------------------------------------------------------------- registration

TFaultyDirectShow::TFaultyDirectShow() {
    CoRegisterClassObject(CLSID_FilterGraph, &FGraphFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &FGraphCookie);
    CoRegisterClassObject(CLSID_SampleGrabber, &FGrabberFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                          &FGrabberCookie);
}

TFaultyDirectShow::~TFaultyDirectShow() {
    if (FGraphCookie)
        CoRevokeClassObject(FGraphCookie);
    if (FGrabberCookie)
        CoRevokeClassObject(FGrabberCookie);
}

std::string TFaultyDirectShow::Leaks() const {
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
    if (Graph.Fetched != Graph.Freed)
        out << Graph.Fetched << " event(s) fetched, " << Graph.Freed << " freed; ";
    return out.str();
}
