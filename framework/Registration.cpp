#include "framework/ActnList.h"
#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Layout.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

void RegisterFrameworkClasses() {
    RegisterComponentClass<TActionList>("TActionList");
    RegisterComponentClass<TAction>("TAction");
    RegisterComponentClass<TMainMenu>("TMainMenu");
    RegisterComponentClass<TMenuItem>("TMenuItem");
    RegisterComponentClass<TOpenDialog>("TOpenDialog");
    RegisterComponentClass<TPanel>("TPanel");
    RegisterComponentClass<TTimer>("TTimer");
    RegisterComponentClass<TImage>("TImage");
    RegisterComponentClass<TButton>("TButton");
    RegisterComponentClass<TBitBtn>("TBitBtn");
    RegisterComponentClass<TLabel>("TLabel");
}
