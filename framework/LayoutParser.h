// The grammar of window layouts, apart from what their objects become (see
// Layout.h): parsing needs nothing from the system, so it is also built and
// fuzzed natively (fuzz/).
//
//   layout   = object
//   object   = "object" name ":" name { property | object } "end"
//   property = name "=" value
//   value    = 'text' | [-] digits | [-] $hexdigits | name
//
// A name is letters, digits, "_" and "."; in a string '' stands for one quote
// and a line break ends nothing but the layout (an error). Numbers are signed
// 64-bit; one out of that range, or with letters run into it (12ab), is a
// mistake. Objects nest at most 100 deep.
#pragma once

#include <string>

#include "framework/Classes.h"

// Told what the parser finds, in the order of the text.
class TLayoutHandler {
public:
    virtual ~TLayoutHandler() = default;
    // "object Name: Class": an object opens inside the current one (the first
    // is the outer object). False when no such class is known.
    virtual bool BeginObject(const std::string& name, const std::string& className) = 0;
    // "Name = value" of the current object; a string's text is as it stands
    // in the layout (UTF-8). False when the object has no such property.
    virtual bool Property(const std::string& name, const TLayoutValue& value) = 0;
    // The current object's "end".
    virtual void EndObject() = 0;
};

// Parses the outer object and makes sure nothing but blanks follows it.
// A mistake in the text, and a false answer of the handler, throw Exception
// "Layout error at line N: ..."; what the handler throws passes through.
void ParseLayout(const std::string& utf8Text, TLayoutHandler& handler);
