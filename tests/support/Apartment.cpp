#include "support/Apartment.h"

#include <objbase.h>

bool ComEntered() {
    // Asking for the other apartment kind fails only while ours is entered.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (hr == RPC_E_CHANGED_MODE)
        return true;
    if (SUCCEEDED(hr))
        CoUninitialize();
    return false;
}
