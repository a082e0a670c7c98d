// What Windows itself sees of the desktop, for tests that drive the real
// program from outside (X input) and must read back window sizes, captions
// and dialogs that X does not know about.
//
//   probe            prints the visible top-level windows of every process
//   probe serve      the same once per line read from stdin ("windows"),
//                    until "quit" or the end of input: one Wine start for a
//                    whole test run instead of one per look.
//   probe --desktop NAME [serve]
//                    the windows of another desktop, such as the virtual
//                    desktop that "explorer /desktop=NAME,WxH" makes.
//
// Output: one line of JSON per look, an array of windows. Captions are in hex,
// so the reader compares them byte for byte: "caption" as the ANSI code page
// has them (932 in the test set-up), "wcaption" as UTF-16 (little-endian),
// which holds every character whatever the code page.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {
std::string Hex(const char* bytes, int n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < n; ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// Class names are ASCII here; escape anything else anyway.
std::string JsonString(const char* s) {
    std::string out = "\"";
    for (; *s; ++s) {
        auto c = static_cast<unsigned char>(*s);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string ExeName(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return "";
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (!QueryFullProcessImageNameA(process, 0, path, &size))
        path[0] = '\0';
    CloseHandle(process);
    const char* name = std::strrchr(path, '\\');
    return name ? name + 1 : path;
}

BOOL CALLBACK AddWindow(HWND wnd, LPARAM param) {
    auto* out = reinterpret_cast<std::string*>(param);
    if (!IsWindowVisible(wnd))
        return TRUE;
    char cls[256] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    char text[1024];
    int n = GetWindowTextA(wnd, text, sizeof text);
    if (n < 0)
        n = 0;
    RECT window{}, client{};
    GetWindowRect(wnd, &window);
    GetClientRect(wnd, &client);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);

    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "{\"hwnd\":%llu,\"pid\":%lu,\"class\":%s,\"exe\":%s,\"caption\":\"%s\","
                  "\"window\":[%ld,%ld,%ld,%ld],\"client\":[%ld,%ld,%ld,%ld],"
                  "\"style\":%lu,\"exstyle\":%lu,\"enabled\":%s,\"owner\":%llu,\"foreground\":%s",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(wnd)), pid, JsonString(cls).c_str(),
                  JsonString(ExeName(pid).c_str()).c_str(), Hex(text, n).c_str(), window.left, window.top, window.right,
                  window.bottom, origin.x, origin.y, client.right, client.bottom,
                  static_cast<unsigned long>(GetWindowLongA(wnd, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongA(wnd, GWL_EXSTYLE)), IsWindowEnabled(wnd) ? "true" : "false",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(GetWindow(wnd, GW_OWNER))),
                  GetForegroundWindow() == wnd ? "true" : "false");
    wchar_t wide[1024];
    int units = GetWindowTextW(wnd, wide, 1024);
    if (out->size() > 1)
        *out += ',';
    *out += buf;
    *out += ",\"wcaption\":\"" + Hex(reinterpret_cast<const char*>(wide), units > 0 ? units * 2 : 0) + "\"}";
    return TRUE;
}

HDESK Desktop = nullptr;  // null: this process's own

void PrintWindows() {
    std::string out = "[";
    if (Desktop)
        EnumDesktopWindows(Desktop, &AddWindow, reinterpret_cast<LPARAM>(&out));
    else
        EnumWindows(&AddWindow, reinterpret_cast<LPARAM>(&out));
    out += "]\n";
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    if (arg + 1 < argc && std::strcmp(argv[arg], "--desktop") == 0) {
        Desktop = OpenDesktopA(argv[arg + 1], 0, FALSE, GENERIC_ALL);
        if (!Desktop) {
            std::fprintf(stderr, "probe: no desktop %s\n", argv[arg + 1]);
            return 1;
        }
        // Wine lists another desktop's windows only to a thread of that
        // desktop; this thread has no window yet, so it may move there.
        if (SetThreadDesktop(Desktop))
            Desktop = nullptr;
        arg += 2;
    }
    if (arg >= argc) {
        PrintWindows();
        return 0;
    }
    if (std::strcmp(argv[arg], "serve") != 0) {
        std::fprintf(stderr, "usage: probe [--desktop NAME] [serve]\n");
        return 2;
    }
    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "quit", 4) == 0)
            break;
        if (std::strncmp(line, "windows", 7) == 0) {
            PrintWindows();
        } else {
            std::fputs("null\n", stdout);
            std::fflush(stdout);
        }
    }
    return 0;
}
