#include "support/Drops.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

HDROP MakeDrop(const std::vector<std::string>& names, POINT point) {
    size_t size = sizeof(DROPFILES) + 2;
    for (const std::string& n : names)
        size += n.size() + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* block = static_cast<DROPFILES*>(GlobalLock(mem));
    block->pFiles = sizeof(DROPFILES);
    block->pt = point;
    block->fNC = FALSE;
    block->fWide = FALSE;
    char* p = reinterpret_cast<char*>(block + 1);
    for (const std::string& n : names) {
        std::memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

bool PostDrop(HWND wnd, const std::vector<std::string>& names, POINT point) {
    return PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names, point)), 0) != 0;
}
