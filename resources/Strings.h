// Numbers of the program's string table (Pelorin.rc), read with LoadStr.
#pragma once

// The on-screen display's words.
#define IDS_OVERLAY_VOLUME 101
#define IDS_OVERLAY_MUTED 102
