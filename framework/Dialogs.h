// The common file-open dialog.
#pragma once

#include "framework/Classes.h"

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner);

    // The chosen file's full path (UTF-8, any characters). The dialog opens
    // on it again next time.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = value; }

    // Shows the dialog modally over the active window: true when the user
    // chose a file, false when the dialog was cancelled. A failure of the
    // dialog itself is raised.
    bool Execute();

private:
    std::string FFileName;
};
