// The floor: the least a DirectShow player can do on this platform.
//
//   floor.exe [--twice] [--grabber [--no-buffer]] file
//
// Plain: CoInitialize, a filter graph, RenderFile, Run, wait for EC_COMPLETE
// (pumping messages, as any windowed program must), release, exit.
// --twice: first render the file into a graph, cue it (pause and wait for the
// state) and release that graph, as a player must that opens a file once to
// learn its size and again to play it. That first graph's video window is
// never shown: the player has no window to show it in yet.
// --grabber: a Sample Grabber restricted to 24-bit RGB sits in every graph
// before the file is rendered, to measure what that costs by itself; it keeps
// a copy of the latest sample, unless --no-buffer.
//
// With PELORIN_TRACE naming a file, each step appends a time-stamped line to
// it (Unix time in seconds, then the CPU time used so far), the same format
// as the player's own trace.
#include <windows.h>

#include <dshow.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/DirectShow.h"
#include "engine/Trace.h"

namespace {

template <class T>
void Release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

struct TGraph {
    IGraphBuilder* Builder = nullptr;
    IMediaControl* Control = nullptr;
    IMediaEvent* Events = nullptr;
    IBaseFilter* Grabber = nullptr;

    bool Build(bool grabber, bool buffer) {
        if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(&Builder))))
            return false;
        Builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&Control));
        Builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&Events));
        if (!Control || !Events)
            return false;
        if (grabber) {
            if (FAILED(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                        reinterpret_cast<void**>(&Grabber))))
                return false;
            ISampleGrabber* sg = nullptr;
            Grabber->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&sg));
            if (!sg)
                return false;
            AM_MEDIA_TYPE type{};
            type.majortype = MEDIATYPE_Video;
            type.subtype = MEDIASUBTYPE_RGB24;
            type.formattype = FORMAT_VideoInfo;
            sg->SetMediaType(&type);
            sg->SetBufferSamples(buffer ? TRUE : FALSE);
            sg->Release();
            Builder->AddFilter(Grabber, L"Grabber");
        }
        return true;
    }

    void Free() {
        if (Control)
            Control->Stop();
        Release(Grabber);
        Release(Events);
        Release(Control);
        Release(Builder);
    }
};

int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "floor: %s failed (0x%08lx)\n", what, static_cast<unsigned long>(hr));
    TraceMark("failed");
    return 1;
}

// Waits for the end of the stream while dispatching this thread's messages.
bool WaitForCompletion(IMediaEvent* events) {
    HANDLE ready = nullptr;
    if (FAILED(events->GetEventHandle(reinterpret_cast<OAEVENT*>(&ready))))
        return false;
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &ready, FALSE, 60000, QS_ALLINPUT);
        if (r == WAIT_TIMEOUT)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        long code;
        LONG_PTR p1, p2;
        while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
            events->FreeEventParams(code, p1, p2);
            if (code == EC_COMPLETE)
                return true;
            if (code == EC_ERRORABORT || code == EC_USERABORT)
                return false;
        }
    }
}
}  // namespace

int main(int argc, char** argv) {
    bool twice = false, grabber = false, buffer = true;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--twice") == 0)
            twice = true;
        else if (std::strcmp(argv[i], "--grabber") == 0)
            grabber = true;
        else if (std::strcmp(argv[i], "--no-buffer") == 0)
            buffer = false;
        else
            file = argv[i];
    }
    if (!file) {
        std::fprintf(stderr, "usage: floor [--twice] [--grabber [--no-buffer]] file\n");
        return 2;
    }
    TraceMark("main");

    WCHAR name[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, file, -1, name, MAX_PATH);
    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr))
        return Fail("CoInitialize", hr);
    TraceMark("com");

    if (twice) {
        TGraph first;
        if (!first.Build(grabber, buffer))
            return Fail("building the first graph", E_FAIL);
        TraceMark("open1.built");
        if ((hr = first.Builder->RenderFile(name, nullptr)) != S_OK)
            return Fail("RenderFile", hr);
        IVideoWindow* window = nullptr;
        first.Builder->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window));
        if (window) {
            window->put_AutoShow(OAFALSE);
            window->Release();
        }
        TraceMark("open1.rendered");
        first.Control->Pause();
        OAFilterState state;
        first.Control->GetState(INFINITE, &state);
        TraceMark("open1.cued");
        first.Free();
        TraceMark("release1.done");
    }

    TGraph graph;
    if (!graph.Build(grabber, buffer))
        return Fail("building the graph", E_FAIL);
    TraceMark("open2.built");
    if ((hr = graph.Builder->RenderFile(name, nullptr)) != S_OK)
        return Fail("RenderFile", hr);
    TraceMark("open2.rendered");
    graph.Control->Run();
    TraceMark("run");
    bool complete = WaitForCompletion(graph.Events);
    TraceMark("complete");
    graph.Free();
    TraceMark("release2.done");
    CoUninitialize();
    TraceMark("exit");
    return complete ? 0 : 1;
}
