#include "support/HostForm.h"

std::unique_ptr<TForm> MakeHostForm(int clientWidth, int clientHeight, int left, int top) {
    auto form = std::make_unique<TForm>(Application);
    form->SetBounds(left, top, 200, 200);
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(clientHeight);
    form->Show();
    Application->ProcessMessages();
    return form;
}

TForm* StartApplication(const char* title) {
    Application->Title = title;
    Application->Initialize();
    return MakeHostForm(320, 240).release();
}

void EndApplication(TForm*& host) {
    delete host;
    host = nullptr;
    Application->Finalize();
}
