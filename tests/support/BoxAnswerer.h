// Answers the message boxes of the calling thread the moment they appear,
// from inside that thread: a thread-local hook sees each box activated and,
// from the box's own modal loop, its content is recorded and its OK button
// pressed. Much quicker than a watcher thread that looks for boxes, for
// tests that meet hundreds of them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/Dialogs.h"

class TBoxAnswerer {
public:
    TBoxAnswerer();
    ~TBoxAnswerer();
    TBoxAnswerer(const TBoxAnswerer&) = delete;
    TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;

    const std::vector<TMessageBoxInfo>& Seen() const { return FSeen; }
    size_t Count() const { return FSeen.size(); }
    void Clear() { FSeen.clear(); }
    // The texts seen so far, in order.
    std::vector<std::string> Texts() const;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Answer(HWND box, UINT message, UINT_PTR id, DWORD time);

    HHOOK FHook = nullptr;
    TBoxAnswerer* FPrevious = nullptr;
    std::vector<TMessageBoxInfo> FSeen;
};
