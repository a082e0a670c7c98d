// Test doubles' base classes for the DirectShow interfaces the movie control
// uses: every method fails the running test unless a double overrides it, so
// a call nobody expected is caught where it happens.
// (The method lists follow the platform headers' vtables.)
#pragma once

#include <gtest/gtest.h>

#include "engine/DirectShow.h"

inline HRESULT Unexpected(const char* method) {
    ADD_FAILURE() << "unexpected call of " << method;
    return E_NOTIMPL;
}

// clang-format off
struct StubGraphBuilder : IGraphBuilder {
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter *pFilter, LPCWSTR pName) override { return Unexpected("IGraphBuilder::AddFilter"); }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter *pFilter) override { return Unexpected("IGraphBuilder::RemoveFilter"); }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters **ppEnum) override { return Unexpected("IGraphBuilder::EnumFilters"); }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR pName, IBaseFilter **ppFilter) override { return Unexpected("IGraphBuilder::FindFilterByName"); }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin *ppinOut, IPin *ppinIn, const AM_MEDIA_TYPE *pmt) override { return Unexpected("IGraphBuilder::ConnectDirect"); }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin *ppin) override { return Unexpected("IGraphBuilder::Reconnect"); }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin *ppin) override { return Unexpected("IGraphBuilder::Disconnect"); }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return Unexpected("IGraphBuilder::SetDefaultSyncSource"); }
    HRESULT STDMETHODCALLTYPE Connect(IPin *ppinOut, IPin *ppinIn) override { return Unexpected("IGraphBuilder::Connect"); }
    HRESULT STDMETHODCALLTYPE Render(IPin *ppinOut) override { return Unexpected("IGraphBuilder::Render"); }
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR lpcwstrFile, LPCWSTR lpcwstrPlayList) override { return Unexpected("IGraphBuilder::RenderFile"); }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName, IBaseFilter **ppFilter) override { return Unexpected("IGraphBuilder::AddSourceFilter"); }
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR hFile) override { return Unexpected("IGraphBuilder::SetLogFile"); }
    HRESULT STDMETHODCALLTYPE Abort() override { return Unexpected("IGraphBuilder::Abort"); }
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return Unexpected("IGraphBuilder::ShouldOperationContinue"); }
};

struct StubEnumFilters : IEnumFilters {
    HRESULT STDMETHODCALLTYPE Next(ULONG cFilters, IBaseFilter **ppFilter, ULONG *pcFetched) override { return Unexpected("IEnumFilters::Next"); }
    HRESULT STDMETHODCALLTYPE Skip(ULONG cFilters) override { return Unexpected("IEnumFilters::Skip"); }
    HRESULT STDMETHODCALLTYPE Reset() override { return Unexpected("IEnumFilters::Reset"); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumFilters **ppEnum) override { return Unexpected("IEnumFilters::Clone"); }
};

struct StubMediaControl : IMediaControl {
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *pctinfo) override { return Unexpected("IMediaControl::GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo) override { return Unexpected("IMediaControl::GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid, DISPID *rgDispId) override { return Unexpected("IMediaControl::GetIDsOfNames"); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS *pDispParams, VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr) override { return Unexpected("IMediaControl::Invoke"); }
    HRESULT STDMETHODCALLTYPE Run() override { return Unexpected("IMediaControl::Run"); }
    HRESULT STDMETHODCALLTYPE Pause() override { return Unexpected("IMediaControl::Pause"); }
    HRESULT STDMETHODCALLTYPE Stop() override { return Unexpected("IMediaControl::Stop"); }
    HRESULT STDMETHODCALLTYPE GetState(LONG msTimeout, OAFilterState *pfs) override { return Unexpected("IMediaControl::GetState"); }
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR strFilename) override { return Unexpected("IMediaControl::RenderFile"); }
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR strFilename, IDispatch **ppUnk) override { return Unexpected("IMediaControl::AddSourceFilter"); }
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch **ppUnk) override { return Unexpected("IMediaControl::get_FilterCollection"); }
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch **ppUnk) override { return Unexpected("IMediaControl::get_RegFilterCollection"); }
    HRESULT STDMETHODCALLTYPE StopWhenReady() override { return Unexpected("IMediaControl::StopWhenReady"); }
};

struct StubMediaSeeking : IMediaSeeking {
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD *pCapabilities) override { return Unexpected("IMediaSeeking::GetCapabilities"); }
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD *pCapabilities) override { return Unexpected("IMediaSeeking::CheckCapabilities"); }
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID *pFormat) override { return Unexpected("IMediaSeeking::IsFormatSupported"); }
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID *pFormat) override { return Unexpected("IMediaSeeking::QueryPreferredFormat"); }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID *pFormat) override { return Unexpected("IMediaSeeking::GetTimeFormat"); }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID *pFormat) override { return Unexpected("IMediaSeeking::IsUsingTimeFormat"); }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID *pFormat) override { return Unexpected("IMediaSeeking::SetTimeFormat"); }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG *pDuration) override { return Unexpected("IMediaSeeking::GetDuration"); }
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG *pStop) override { return Unexpected("IMediaSeeking::GetStopPosition"); }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG *pCurrent) override { return Unexpected("IMediaSeeking::GetCurrentPosition"); }
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG *pTarget, const GUID *pTargetFormat, LONGLONG Source, const GUID *pSourceFormat) override { return Unexpected("IMediaSeeking::ConvertTimeFormat"); }
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG *pCurrent, DWORD dwCurrentFlags, LONGLONG *pStop, DWORD dwStopFlags) override { return Unexpected("IMediaSeeking::SetPositions"); }
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG *pCurrent, LONGLONG *pStop) override { return Unexpected("IMediaSeeking::GetPositions"); }
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG *pEarliest, LONGLONG *pLatest) override { return Unexpected("IMediaSeeking::GetAvailable"); }
    HRESULT STDMETHODCALLTYPE SetRate(double dRate) override { return Unexpected("IMediaSeeking::SetRate"); }
    HRESULT STDMETHODCALLTYPE GetRate(double *pdRate) override { return Unexpected("IMediaSeeking::GetRate"); }
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG *pllPreroll) override { return Unexpected("IMediaSeeking::GetPreroll"); }
};

struct StubBasicAudio : IBasicAudio {
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *pctinfo) override { return Unexpected("IBasicAudio::GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo) override { return Unexpected("IBasicAudio::GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid, DISPID *rgDispId) override { return Unexpected("IBasicAudio::GetIDsOfNames"); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS *pDispParams, VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr) override { return Unexpected("IBasicAudio::Invoke"); }
    HRESULT STDMETHODCALLTYPE put_Volume(__LONG32 lVolume) override { return Unexpected("IBasicAudio::put_Volume"); }
    HRESULT STDMETHODCALLTYPE get_Volume(__LONG32 *plVolume) override { return Unexpected("IBasicAudio::get_Volume"); }
    HRESULT STDMETHODCALLTYPE put_Balance(__LONG32 lBalance) override { return Unexpected("IBasicAudio::put_Balance"); }
    HRESULT STDMETHODCALLTYPE get_Balance(__LONG32 *plBalance) override { return Unexpected("IBasicAudio::get_Balance"); }
};

struct StubBasicVideo2 : IBasicVideo2 {
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *pctinfo) override { return Unexpected("IBasicVideo2::GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo) override { return Unexpected("IBasicVideo2::GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid, DISPID *rgDispId) override { return Unexpected("IBasicVideo2::GetIDsOfNames"); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS *pDispParams, VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr) override { return Unexpected("IBasicVideo2::Invoke"); }
    HRESULT STDMETHODCALLTYPE get_AvgTimePerFrame(REFTIME *pAvgTimePerFrame) override { return Unexpected("IBasicVideo2::get_AvgTimePerFrame"); }
    HRESULT STDMETHODCALLTYPE get_BitRate(__LONG32 *pBitRate) override { return Unexpected("IBasicVideo2::get_BitRate"); }
    HRESULT STDMETHODCALLTYPE get_BitErrorRate(__LONG32 *pBitErrorRate) override { return Unexpected("IBasicVideo2::get_BitErrorRate"); }
    HRESULT STDMETHODCALLTYPE get_VideoWidth(__LONG32 *pVideoWidth) override { return Unexpected("IBasicVideo2::get_VideoWidth"); }
    HRESULT STDMETHODCALLTYPE get_VideoHeight(__LONG32 *pVideoHeight) override { return Unexpected("IBasicVideo2::get_VideoHeight"); }
    HRESULT STDMETHODCALLTYPE put_SourceLeft(__LONG32 SourceLeft) override { return Unexpected("IBasicVideo2::put_SourceLeft"); }
    HRESULT STDMETHODCALLTYPE get_SourceLeft(__LONG32 *pSourceLeft) override { return Unexpected("IBasicVideo2::get_SourceLeft"); }
    HRESULT STDMETHODCALLTYPE put_SourceWidth(__LONG32 SourceWidth) override { return Unexpected("IBasicVideo2::put_SourceWidth"); }
    HRESULT STDMETHODCALLTYPE get_SourceWidth(__LONG32 *pSourceWidth) override { return Unexpected("IBasicVideo2::get_SourceWidth"); }
    HRESULT STDMETHODCALLTYPE put_SourceTop(__LONG32 SourceTop) override { return Unexpected("IBasicVideo2::put_SourceTop"); }
    HRESULT STDMETHODCALLTYPE get_SourceTop(__LONG32 *pSourceTop) override { return Unexpected("IBasicVideo2::get_SourceTop"); }
    HRESULT STDMETHODCALLTYPE put_SourceHeight(__LONG32 SourceHeight) override { return Unexpected("IBasicVideo2::put_SourceHeight"); }
    HRESULT STDMETHODCALLTYPE get_SourceHeight(__LONG32 *pSourceHeight) override { return Unexpected("IBasicVideo2::get_SourceHeight"); }
    HRESULT STDMETHODCALLTYPE put_DestinationLeft(__LONG32 DestinationLeft) override { return Unexpected("IBasicVideo2::put_DestinationLeft"); }
    HRESULT STDMETHODCALLTYPE get_DestinationLeft(__LONG32 *pDestinationLeft) override { return Unexpected("IBasicVideo2::get_DestinationLeft"); }
    HRESULT STDMETHODCALLTYPE put_DestinationWidth(__LONG32 DestinationWidth) override { return Unexpected("IBasicVideo2::put_DestinationWidth"); }
    HRESULT STDMETHODCALLTYPE get_DestinationWidth(__LONG32 *pDestinationWidth) override { return Unexpected("IBasicVideo2::get_DestinationWidth"); }
    HRESULT STDMETHODCALLTYPE put_DestinationTop(__LONG32 DestinationTop) override { return Unexpected("IBasicVideo2::put_DestinationTop"); }
    HRESULT STDMETHODCALLTYPE get_DestinationTop(__LONG32 *pDestinationTop) override { return Unexpected("IBasicVideo2::get_DestinationTop"); }
    HRESULT STDMETHODCALLTYPE put_DestinationHeight(__LONG32 DestinationHeight) override { return Unexpected("IBasicVideo2::put_DestinationHeight"); }
    HRESULT STDMETHODCALLTYPE get_DestinationHeight(__LONG32 *pDestinationHeight) override { return Unexpected("IBasicVideo2::get_DestinationHeight"); }
    HRESULT STDMETHODCALLTYPE SetSourcePosition(__LONG32 Left, __LONG32 Top, __LONG32 Width, __LONG32 Height) override { return Unexpected("IBasicVideo2::SetSourcePosition"); }
    HRESULT STDMETHODCALLTYPE GetSourcePosition(__LONG32 *pLeft, __LONG32 *pTop, __LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IBasicVideo2::GetSourcePosition"); }
    HRESULT STDMETHODCALLTYPE SetDefaultSourcePosition() override { return Unexpected("IBasicVideo2::SetDefaultSourcePosition"); }
    HRESULT STDMETHODCALLTYPE SetDestinationPosition(__LONG32 Left, __LONG32 Top, __LONG32 Width, __LONG32 Height) override { return Unexpected("IBasicVideo2::SetDestinationPosition"); }
    HRESULT STDMETHODCALLTYPE GetDestinationPosition(__LONG32 *pLeft, __LONG32 *pTop, __LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IBasicVideo2::GetDestinationPosition"); }
    HRESULT STDMETHODCALLTYPE SetDefaultDestinationPosition() override { return Unexpected("IBasicVideo2::SetDefaultDestinationPosition"); }
    HRESULT STDMETHODCALLTYPE GetVideoSize(__LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IBasicVideo2::GetVideoSize"); }
    HRESULT STDMETHODCALLTYPE GetVideoPaletteEntries(__LONG32 StartIndex, __LONG32 Entries, __LONG32 *pRetrieved, __LONG32 *pPalette) override { return Unexpected("IBasicVideo2::GetVideoPaletteEntries"); }
    HRESULT STDMETHODCALLTYPE GetCurrentImage(__LONG32 *pBufferSize, __LONG32 *pDIBImage) override { return Unexpected("IBasicVideo2::GetCurrentImage"); }
    HRESULT STDMETHODCALLTYPE IsUsingDefaultSource() override { return Unexpected("IBasicVideo2::IsUsingDefaultSource"); }
    HRESULT STDMETHODCALLTYPE IsUsingDefaultDestination() override { return Unexpected("IBasicVideo2::IsUsingDefaultDestination"); }
    HRESULT STDMETHODCALLTYPE GetPreferredAspectRatio(__LONG32 *plAspectX, __LONG32 *plAspectY) override { return Unexpected("IBasicVideo2::GetPreferredAspectRatio"); }
};

struct StubVideoWindow : IVideoWindow {
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *pctinfo) override { return Unexpected("IVideoWindow::GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo) override { return Unexpected("IVideoWindow::GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid, DISPID *rgDispId) override { return Unexpected("IVideoWindow::GetIDsOfNames"); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS *pDispParams, VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr) override { return Unexpected("IVideoWindow::Invoke"); }
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR strCaption) override { return Unexpected("IVideoWindow::put_Caption"); }
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR *strCaption) override { return Unexpected("IVideoWindow::get_Caption"); }
    HRESULT STDMETHODCALLTYPE put_WindowStyle(__LONG32 WindowStyle) override { return Unexpected("IVideoWindow::put_WindowStyle"); }
    HRESULT STDMETHODCALLTYPE get_WindowStyle(__LONG32 *WindowStyle) override { return Unexpected("IVideoWindow::get_WindowStyle"); }
    HRESULT STDMETHODCALLTYPE put_WindowStyleEx(__LONG32 WindowStyleEx) override { return Unexpected("IVideoWindow::put_WindowStyleEx"); }
    HRESULT STDMETHODCALLTYPE get_WindowStyleEx(__LONG32 *WindowStyleEx) override { return Unexpected("IVideoWindow::get_WindowStyleEx"); }
    HRESULT STDMETHODCALLTYPE put_AutoShow(__LONG32 AutoShow) override { return Unexpected("IVideoWindow::put_AutoShow"); }
    HRESULT STDMETHODCALLTYPE get_AutoShow(__LONG32 *AutoShow) override { return Unexpected("IVideoWindow::get_AutoShow"); }
    HRESULT STDMETHODCALLTYPE put_WindowState(__LONG32 WindowState) override { return Unexpected("IVideoWindow::put_WindowState"); }
    HRESULT STDMETHODCALLTYPE get_WindowState(__LONG32 *WindowState) override { return Unexpected("IVideoWindow::get_WindowState"); }
    HRESULT STDMETHODCALLTYPE put_BackgroundPalette(__LONG32 BackgroundPalette) override { return Unexpected("IVideoWindow::put_BackgroundPalette"); }
    HRESULT STDMETHODCALLTYPE get_BackgroundPalette(__LONG32 *pBackgroundPalette) override { return Unexpected("IVideoWindow::get_BackgroundPalette"); }
    HRESULT STDMETHODCALLTYPE put_Visible(__LONG32 Visible) override { return Unexpected("IVideoWindow::put_Visible"); }
    HRESULT STDMETHODCALLTYPE get_Visible(__LONG32 *pVisible) override { return Unexpected("IVideoWindow::get_Visible"); }
    HRESULT STDMETHODCALLTYPE put_Left(__LONG32 Left) override { return Unexpected("IVideoWindow::put_Left"); }
    HRESULT STDMETHODCALLTYPE get_Left(__LONG32 *pLeft) override { return Unexpected("IVideoWindow::get_Left"); }
    HRESULT STDMETHODCALLTYPE put_Width(__LONG32 Width) override { return Unexpected("IVideoWindow::put_Width"); }
    HRESULT STDMETHODCALLTYPE get_Width(__LONG32 *pWidth) override { return Unexpected("IVideoWindow::get_Width"); }
    HRESULT STDMETHODCALLTYPE put_Top(__LONG32 Top) override { return Unexpected("IVideoWindow::put_Top"); }
    HRESULT STDMETHODCALLTYPE get_Top(__LONG32 *pTop) override { return Unexpected("IVideoWindow::get_Top"); }
    HRESULT STDMETHODCALLTYPE put_Height(__LONG32 Height) override { return Unexpected("IVideoWindow::put_Height"); }
    HRESULT STDMETHODCALLTYPE get_Height(__LONG32 *pHeight) override { return Unexpected("IVideoWindow::get_Height"); }
    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND Owner) override { return Unexpected("IVideoWindow::put_Owner"); }
    HRESULT STDMETHODCALLTYPE get_Owner(OAHWND *Owner) override { return Unexpected("IVideoWindow::get_Owner"); }
    HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND Drain) override { return Unexpected("IVideoWindow::put_MessageDrain"); }
    HRESULT STDMETHODCALLTYPE get_MessageDrain(OAHWND *Drain) override { return Unexpected("IVideoWindow::get_MessageDrain"); }
    HRESULT STDMETHODCALLTYPE get_BorderColor(__LONG32 *Color) override { return Unexpected("IVideoWindow::get_BorderColor"); }
    HRESULT STDMETHODCALLTYPE put_BorderColor(__LONG32 Color) override { return Unexpected("IVideoWindow::put_BorderColor"); }
    HRESULT STDMETHODCALLTYPE get_FullScreenMode(__LONG32 *FullScreenMode) override { return Unexpected("IVideoWindow::get_FullScreenMode"); }
    HRESULT STDMETHODCALLTYPE put_FullScreenMode(__LONG32 FullScreenMode) override { return Unexpected("IVideoWindow::put_FullScreenMode"); }
    HRESULT STDMETHODCALLTYPE SetWindowForeground(__LONG32 Focus) override { return Unexpected("IVideoWindow::SetWindowForeground"); }
    HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(OAHWND hwnd, __LONG32 uMsg, LONG_PTR wParam, LONG_PTR lParam) override { return Unexpected("IVideoWindow::NotifyOwnerMessage"); }
    HRESULT STDMETHODCALLTYPE SetWindowPosition(__LONG32 Left, __LONG32 Top, __LONG32 Width, __LONG32 Height) override { return Unexpected("IVideoWindow::SetWindowPosition"); }
    HRESULT STDMETHODCALLTYPE GetWindowPosition(__LONG32 *pLeft, __LONG32 *pTop, __LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IVideoWindow::GetWindowPosition"); }
    HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(__LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IVideoWindow::GetMinIdealImageSize"); }
    HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(__LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IVideoWindow::GetMaxIdealImageSize"); }
    HRESULT STDMETHODCALLTYPE GetRestorePosition(__LONG32 *pLeft, __LONG32 *pTop, __LONG32 *pWidth, __LONG32 *pHeight) override { return Unexpected("IVideoWindow::GetRestorePosition"); }
    HRESULT STDMETHODCALLTYPE HideCursor(__LONG32 HideCursor) override { return Unexpected("IVideoWindow::HideCursor"); }
    HRESULT STDMETHODCALLTYPE IsCursorHidden(__LONG32 *CursorHidden) override { return Unexpected("IVideoWindow::IsCursorHidden"); }
};

struct StubMediaEventEx : IMediaEventEx {
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *pctinfo) override { return Unexpected("IMediaEventEx::GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo) override { return Unexpected("IMediaEventEx::GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid, DISPID *rgDispId) override { return Unexpected("IMediaEventEx::GetIDsOfNames"); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS *pDispParams, VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr) override { return Unexpected("IMediaEventEx::Invoke"); }
    HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT *hEvent) override { return Unexpected("IMediaEventEx::GetEventHandle"); }
    HRESULT STDMETHODCALLTYPE GetEvent(__LONG32 *lEventCode, LONG_PTR *lParam1, LONG_PTR *lParam2, __LONG32 msTimeout) override { return Unexpected("IMediaEventEx::GetEvent"); }
    HRESULT STDMETHODCALLTYPE WaitForCompletion(__LONG32 msTimeout, __LONG32 *pEvCode) override { return Unexpected("IMediaEventEx::WaitForCompletion"); }
    HRESULT STDMETHODCALLTYPE CancelDefaultHandling(__LONG32 lEvCode) override { return Unexpected("IMediaEventEx::CancelDefaultHandling"); }
    HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(__LONG32 lEvCode) override { return Unexpected("IMediaEventEx::RestoreDefaultHandling"); }
    HRESULT STDMETHODCALLTYPE FreeEventParams(__LONG32 lEvCode, LONG_PTR lParam1, LONG_PTR lParam2) override { return Unexpected("IMediaEventEx::FreeEventParams"); }
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND hwnd, __LONG32 lMsg, LONG_PTR lInstanceData) override { return Unexpected("IMediaEventEx::SetNotifyWindow"); }
    HRESULT STDMETHODCALLTYPE SetNotifyFlags(__LONG32 lNoNotifyFlags) override { return Unexpected("IMediaEventEx::SetNotifyFlags"); }
    HRESULT STDMETHODCALLTYPE GetNotifyFlags(__LONG32 *lplNoNotifyFlags) override { return Unexpected("IMediaEventEx::GetNotifyFlags"); }
};

struct StubBaseFilter : IBaseFilter {
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *pClassID) override { return Unexpected("IBaseFilter::GetClassID"); }
    HRESULT STDMETHODCALLTYPE Stop() override { return Unexpected("IBaseFilter::Stop"); }
    HRESULT STDMETHODCALLTYPE Pause() override { return Unexpected("IBaseFilter::Pause"); }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override { return Unexpected("IBaseFilter::Run"); }
    HRESULT STDMETHODCALLTYPE GetState(DWORD dwMilliSecsTimeout, FILTER_STATE *State) override { return Unexpected("IBaseFilter::GetState"); }
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock *pClock) override { return Unexpected("IBaseFilter::SetSyncSource"); }
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock **pClock) override { return Unexpected("IBaseFilter::GetSyncSource"); }
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins **ppEnum) override { return Unexpected("IBaseFilter::EnumPins"); }
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin **ppPin) override { return Unexpected("IBaseFilter::FindPin"); }
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO *pInfo) override { return Unexpected("IBaseFilter::QueryFilterInfo"); }
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph *pGraph, LPCWSTR pName) override { return Unexpected("IBaseFilter::JoinFilterGraph"); }
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR *pVendorInfo) override { return Unexpected("IBaseFilter::QueryVendorInfo"); }
};

struct StubSampleGrabber : ISampleGrabber {
    HRESULT STDMETHODCALLTYPE SetOneShot(BOOL) override { return Unexpected("ISampleGrabber::SetOneShot"); }
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE*) override { return Unexpected("ISampleGrabber::SetMediaType"); }
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE*) override { return Unexpected("ISampleGrabber::GetConnectedMediaType"); }
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL) override { return Unexpected("ISampleGrabber::SetBufferSamples"); }
    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG*, LONG*) override { return Unexpected("ISampleGrabber::GetCurrentBuffer"); }
    HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample**) override { return Unexpected("ISampleGrabber::GetCurrentSample"); }
    HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB*, LONG) override { return Unexpected("ISampleGrabber::SetCallback"); }
};
// clang-format on
