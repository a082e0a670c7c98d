// Scoped device contexts and GDI objects: each gives back what it took on
// every way out of the scope, as TComPtr does for interfaces.
#pragma once

#include <windows.h>

// A window's device context (the screen's for no window), released at the end.
class TWindowDC {
public:
    explicit TWindowDC(HWND wnd) : FWnd(wnd), FDC(GetDC(wnd)) {}
    ~TWindowDC() {
        if (FDC)
            ReleaseDC(FWnd, FDC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return FDC; }

private:
    HWND FWnd;
    HDC FDC;
};

// The painting of a window between BeginPaint and EndPaint.
class TPaintDC {
public:
    explicit TPaintDC(HWND wnd) : FWnd(wnd), FDC(BeginPaint(wnd, &FPaint)) {}
    ~TPaintDC() { EndPaint(FWnd, &FPaint); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    HDC Get() const { return FDC; }

private:
    HWND FWnd;
    PAINTSTRUCT FPaint{};
    HDC FDC;
};

// A memory context compatible with another, deleted at the end.
class TMemoryDC {
public:
    explicit TMemoryDC(HDC compatible) : FDC(CreateCompatibleDC(compatible)) {}
    ~TMemoryDC() {
        if (FDC)
            DeleteDC(FDC);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC Get() const { return FDC; }

private:
    HDC FDC;
};

// An object selected into a context for the scope; the one it replaced goes
// back at the end. Selecting no object (null) does nothing.
class TSelectedObject {
public:
    TSelectedObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(object ? SelectObject(dc, object) : nullptr) {}
    ~TSelectedObject() {
        if (FOld)
            SelectObject(FDC, FOld);
    }
    TSelectedObject(const TSelectedObject&) = delete;
    TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// How a handle of each kind is given back: icons made by LoadImage (never a
// shared one) are destroyed, every other GDI object deleted.
inline void DeleteHandle(HGDIOBJ object) {
    DeleteObject(object);
}
inline void DeleteHandle(HICON icon) {
    DestroyIcon(icon);
}

// Owns one GDI object (a brush, a font, a bitmap, an icon) and gives it back
// when emptied, replaced or destroyed. Not copyable: one owner per object.
template <class T>
class TGdiObject {
public:
    TGdiObject() = default;
    ~TGdiObject() { Reset(); }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;

    T Get() const { return FObject; }
    explicit operator bool() const { return FObject != nullptr; }
    // Hands the object over to the caller, who deletes it.
    T Release() {
        T object = FObject;
        FObject = nullptr;
        return object;
    }
    // Deletes the object held, if any, and takes the new one.
    void Reset(T object = nullptr) {
        if (FObject && FObject != object)
            DeleteHandle(FObject);
        FObject = object;
    }

private:
    T FObject = nullptr;
};
