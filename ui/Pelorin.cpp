// Program entry.
#include <windows.h>

#include "dropfiles/DROPDST.h"
#include "engine/Trace.h"
#include "framework/Forms.h"
#include "framework/Layout.h"
#include "ui/UAbout.h"
#include "ui/Unit1.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    TraceMark("main");
    // Before the first layout is read: every class the layouts name.
    RegisterFrameworkClasses();
    RegisterDropFilesClasses();
    Application->Initialize();
    TraceMark("com");
    Application->Title = "Pelorin";
    try {
        Application->CreateForm(Form1);
        TraceMark("created");
        Application->CreateForm(AboutBox);
        Application->Run();
        TraceMark("loop.end");
    } catch (...) {
        Application->HandleException(Application);
    }
    Application->Finalize();
    TraceMark("exit");
    return Application->ExitCode;
}
