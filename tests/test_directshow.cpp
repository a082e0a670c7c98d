// The DirectShow identifiers and constants the movie control relies on,
// pinned against their published values: a wrong digit here fails only at
// run time, as a graph that cannot be built.
#include <gtest/gtest.h>

#include <string>

#include "engine/DirectShow.h"
#include "engine/UMovie.h"

namespace {
std::string Text(const GUID& id) {
    wchar_t wide[40] = {};
    StringFromGUID2(id, wide, 40);
    std::string narrow;
    for (wchar_t* p = wide; *p; ++p)
        narrow += static_cast<char>(*p);
    return narrow;
}
}  // namespace

TEST(DirectShowIdentifiers, MatchTheirPublishedValues) {
    struct {
        const GUID& Id;
        const char* Value;
    } table[] = {
        {IID_IGraphBuilder, "{56A868A9-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IMediaControl, "{56A868B1-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IBasicAudio, "{56A868B3-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IVideoWindow, "{56A868B4-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IBasicVideo, "{56A868B5-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IMediaEventEx, "{56A868C0-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IBaseFilter, "{56A86895-0AD4-11CE-B03A-0020AF0BA770}"},
        {IID_IMediaSeeking, "{36B73880-C2C8-11CF-8B46-00805F6CEF60}"},
        {IID_ISampleGrabber, "{6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}"},
        {CLSID_FilterGraph, "{E436EBB3-524F-11CE-9F53-0020AF0BA770}"},
        {CLSID_SampleGrabber, "{C1F400A0-3F08-11D3-9F0B-006008039E37}"},
        {MEDIATYPE_Video, "{73646976-0000-0010-8000-00AA00389B71}"},
        {MEDIASUBTYPE_RGB24, "{E436EB7D-524F-11CE-9F53-0020AF0BA770}"},
        {FORMAT_VideoInfo, "{05589F80-C356-11CE-BF01-00AA0055595A}"},
    };
    for (const auto& row : table)
        EXPECT_EQ(Text(row.Id), row.Value);
}

TEST(DirectShowIdentifiers, GrabberTypeAndNotificationConstants) {
    AM_MEDIA_TYPE type = GrabberMediaType();
    EXPECT_EQ(Text(type.majortype), Text(MEDIATYPE_Video));
    EXPECT_EQ(Text(type.subtype), Text(MEDIASUBTYPE_RGB24));
    EXPECT_EQ(Text(type.formattype), Text(FORMAT_VideoInfo));
    EXPECT_FALSE(type.bFixedSizeSamples);
    EXPECT_FALSE(type.bTemporalCompression);
    EXPECT_EQ(type.lSampleSize, 0u);
    EXPECT_EQ(type.pUnk, nullptr);
    EXPECT_EQ(type.cbFormat, 0u);
    EXPECT_EQ(type.pbFormat, nullptr);

    EXPECT_EQ(GraphNotifyInstance, 54321);
    EXPECT_EQ(GraphClassContext, 3u);
    EXPECT_EQ(EC_COMPLETE, 1);
    EXPECT_EQ(AM_SEEKING_AbsolutePositioning, 1);
    EXPECT_EQ(AM_SEEKING_NoPositioning, 0);
    const LONG volumes[8] = {-10000, -4800, -2400, -1200, -600, -300, -150, 0};
    for (int level = 0; level < 8; ++level)
        EXPECT_EQ(VolumeTable[level], volumes[level]) << "level " << level;
}
