// A plain top-level form for hosting controls under test.
#pragma once

#include <memory>

#include "framework/Forms.h"

// A visible, sizeable form owned by the application, with the given client
// size, placed at (left, top) on the screen. Destroying it destroys what it owns.
std::unique_ptr<TForm> MakeHostForm(int clientWidth, int clientHeight, int left = 40, int top = 40);

// The application as the program's entry starts it (COM entered for this
// thread), with this title and a 320x240 host form; EndApplication undoes it.
TForm* StartApplication(const char* title);
void EndApplication(TForm*& host);
