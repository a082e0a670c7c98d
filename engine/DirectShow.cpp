#include "engine/DirectShow.h"

AM_MEDIA_TYPE GrabberMediaType() {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.bFixedSizeSamples = FALSE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = 0;
    type.formattype = FORMAT_VideoInfo;
    type.pUnk = nullptr;
    type.cbFormat = 0;
    type.pbFormat = nullptr;
    return type;
}
