#include "support/Screen.h"

#include <cstdlib>
#include <unordered_map>

TCapture CaptureScreen(const RECT& area) {
    TCapture result;
    result.Width = area.right - area.left;
    result.Height = area.bottom - area.top;
    if (result.Width <= 0 || result.Height <= 0)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = result.Width;
    info.bmiHeader.biHeight = -result.Height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, result.Width, result.Height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    result.Pixels.assign(pixels, pixels + static_cast<size_t>(result.Width) * result.Height);
    for (uint32_t& p : result.Pixels)
        p &= 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}

TCapture CaptureClient(HWND wnd) {
    RECT r;
    GetClientRect(wnd, &r);
    MapWindowPoints(wnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return CaptureScreen(r);
}

uint32_t DominantColor(const TCapture& capture) {
    std::unordered_map<uint32_t, size_t> counts;
    uint32_t best = 0;
    size_t bestCount = 0;
    for (uint32_t p : capture.Pixels) {
        size_t n = ++counts[p];
        if (n > bestCount) {
            bestCount = n;
            best = p;
        }
    }
    return best;
}

double Uniformity(const TCapture& capture) {
    if (capture.Pixels.empty())
        return 1.0;
    uint32_t dominant = DominantColor(capture);
    size_t same = 0;
    for (uint32_t p : capture.Pixels)
        same += p == dominant;
    return static_cast<double>(same) / capture.Pixels.size();
}

double Difference(const TCapture& a, const TCapture& b, int tolerance) {
    if (a.Width != b.Width || a.Height != b.Height || a.Pixels.empty())
        return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i) {
        uint32_t x = a.Pixels[i], y = b.Pixels[i];
        for (int shift = 0; shift < 24; shift += 8) {
            int d = static_cast<int>((x >> shift) & 0xFF) - static_cast<int>((y >> shift) & 0xFF);
            if (std::abs(d) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / a.Pixels.size();
}
