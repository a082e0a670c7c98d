// Program entry.
#include <windows.h>

#include "framework/Forms.h"
#include "ui/UAbout.h"
#include "ui/Unit1.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Application->Initialize();
    Application->Title = "Pelorin";
    try {
        Application->CreateForm(Form1);
        Application->CreateForm(AboutBox);
        Application->Run();
    } catch (...) {
        Application->HandleException(Application);
    }
    Application->Finalize();
    return 0;
}
