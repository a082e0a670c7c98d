// Window layouts: a form's components and their properties as text, compiled
// into the program as a resource and read while the form is constructed.
//
//   object Form1: TForm1
//     Caption = 'Pelorin'
//     object DropDst1: TDropDst
//       Target = htForm
//     end
//   end
//
// Properties are applied one by one, in stored order; every component's
// after-loading step runs once the whole layout has been read.
#pragma once

#include <string>

#include "framework/Classes.h"

using TComponentFactory = TComponent* (*)(TComponent* owner);

// Makes a class known by name to the layout reader; a second registration of
// a name replaces the first.
void RegisterComponentClass(const char* className, TComponentFactory factory);

template <class T>
void RegisterComponentClass(const char* className) {
    RegisterComponentClass(className, [](TComponent* owner) -> TComponent* { return new T(owner); });
}

// Makes the framework's classes known to the layout reader: actions, menus,
// the open dialog, panels, timers, images, buttons and labels. A program
// calls it, and the like of every other library whose classes its layouts
// name, before it reads its first layout. Called from the program rather
// than from static initialisers, so that a program that forgets fails at
// its first layout, and a linker that drops unreferenced units loses no class.
void RegisterFrameworkClasses();

// Reads the layout text into root (the component the layout's outer object
// describes): nested objects are created with root as owner and, when both
// are controls, the enclosing object as parent.
void ReadLayoutText(TComponent* root, const std::string& utf8Text);
// The same, from an RCDATA resource of the running program.
void ReadLayout(TComponent* root, const char* resourceName);
