#include "support/Drops.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "framework/TextConversion.h"

HDROP MakeDrop(const std::vector<std::string>& names, POINT point) {
    // Wide names, as the shell gives them.
    std::vector<std::wstring> wide;
    size_t size = sizeof(DROPFILES) + 2 * sizeof(wchar_t);
    for (const std::string& n : names) {
        wide.push_back(Utf8ToWide(n));
        size += (wide.back().size() + 1) * sizeof(wchar_t);
    }
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* block = static_cast<DROPFILES*>(GlobalLock(mem));
    block->pFiles = sizeof(DROPFILES);
    block->pt = point;
    block->fNC = FALSE;
    block->fWide = TRUE;
    auto* p = reinterpret_cast<wchar_t*>(block + 1);
    for (const std::wstring& n : wide) {
        std::memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
        p += n.size() + 1;
    }
    GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

bool PostDrop(HWND wnd, const std::vector<std::string>& names, POINT point) {
    return PostMessageA(wnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(names, point)), 0) != 0;
}
