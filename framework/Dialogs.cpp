#include "framework/Dialogs.h"

#include <windows.h>
// after windows.h, which it needs
#include <commdlg.h>

#include <vector>

#include "framework/Controls.h"
#include "framework/TextConversion.h"

namespace {
// Room for a long path picked in the dialog: the dialog refuses, rather than
// cuts, a name longer than its buffer.
constexpr DWORD kNameBuffer = 32768;
}  // namespace

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() {
    std::vector<wchar_t> name(kNameBuffer, L'\0');
    Utf8ToWide(FFileName).copy(name.data(), name.size() - 1);

    HWND owner = GetActiveWindow();
    auto* mainForm = dynamic_cast<TWinControl*>(ApplicationMainForm());
    if (!owner && mainForm && mainForm->HandleAllocated())
        owner = mainForm->Handle();

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = kNameBuffer;
    // No filter: every file is listed. The read-only box stays hidden and the
    // dialog can be resized.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (GetOpenFileNameW(&ofn)) {
        FFileName = WideToUtf8(name.data());
        return true;
    }
    if (DWORD error = CommDlgExtendedError())
        throw Exception("The open dialog failed (error " + std::to_string(error) + ")");
    return false;
}
