// Program entry.
#include <windows.h>

#include "framework/Forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Application->Initialize();
    Application->Title = "Pelorin";
    Application->Run();
    Application->Finalize();
    return 0;
}
