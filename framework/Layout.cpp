#include "framework/Layout.h"

#include <windows.h>

#include <cctype>
#include <map>

#include "framework/Controls.h"

namespace {
std::map<std::string, TComponentFactory>& Classes() {
    static std::map<std::string, TComponentFactory> classes;
    return classes;
}

// Layout files are UTF-8; the program's text is Shift-JIS.
std::string Utf8ToCp932(const std::string& s) {
    if (s.empty())
        return s;
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    int m = WideCharToMultiByte(932, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(932, 0, w.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

class TReader {
public:
    TReader(TComponent* root, const std::string& text) : FRoot(root), FText(text) {}

    void Read() {
        TComponent* previousRoot = LayoutRoot();
        SetLayoutRoot(FRoot);
        try {
            ReadObject(nullptr);
            SkipSpace();
            if (FPos < FText.size())
                Error("text after the last 'end'");
        } catch (...) {
            SetLayoutRoot(previousRoot);
            throw;
        }
        // The whole layout is read: now each component may act on it.
        for (TComponent* c : FLoaded)
            c->Loaded();
        SetLayoutRoot(previousRoot);
    }

private:
    [[noreturn]] void Error(const std::string& what) {
        throw Exception("Layout error at line " + std::to_string(FLine) + ": " + what);
    }

    void SkipSpace() {
        while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos]))) {
            if (FText[FPos] == '\n')
                ++FLine;
            ++FPos;
        }
    }

    std::string Word() {
        SkipSpace();
        size_t start = FPos;
        while (FPos < FText.size() &&
               (std::isalnum(static_cast<unsigned char>(FText[FPos])) || FText[FPos] == '_' || FText[FPos] == '.'))
            ++FPos;
        if (start == FPos)
            Error("a name was expected");
        return FText.substr(start, FPos - start);
    }

    void Expect(char c) {
        SkipSpace();
        if (FPos >= FText.size() || FText[FPos] != c)
            Error(std::string("'") + c + "' was expected");
        ++FPos;
    }

    TLayoutValue Value() {
        SkipSpace();
        if (FPos >= FText.size())
            Error("a value was expected");
        TLayoutValue v;
        char c = FText[FPos];
        if (c == '\'') {
            v.Kind = TLayoutValue::vkString;
            std::string raw;
            for (;;) {
                ++FPos;
                if (FPos >= FText.size() || FText[FPos] == '\n')
                    Error("unterminated string");
                if (FText[FPos] == '\'') {
                    if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                        raw += '\'';
                        ++FPos;
                        continue;
                    }
                    ++FPos;
                    break;
                }
                raw += FText[FPos];
            }
            v.Str = Utf8ToCp932(raw);
        } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            bool negative = c == '-';
            if (negative)
                ++FPos;
            int base = 10;
            if (FPos < FText.size() && FText[FPos] == '$') {
                base = 16;
                ++FPos;
            }
            size_t start = FPos;
            while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos])))
                ++FPos;
            if (start == FPos)
                Error("a number was expected");
            v.Int = std::stoll(FText.substr(start, FPos - start), nullptr, base);
            if (negative)
                v.Int = -v.Int;
        } else {
            v.Kind = TLayoutValue::vkIdent;
            v.Str = Word();
        }
        return v;
    }

    // "object Name: Class", its properties and nested objects, then "end".
    void ReadObject(TComponent* parent) {
        if (Word() != "object")
            Error("'object' was expected");
        std::string name = Word();
        Expect(':');
        std::string className = Word();

        TComponent* component;
        if (!parent) {
            component = FRoot;
            if (FRoot->Name().empty())
                FRoot->SetName(name);
        } else {
            auto found = Classes().find(className);
            if (found == Classes().end())
                Error("class " + className + " is not registered");
            component = found->second(FRoot);
            component->SetName(name);
            if (TComponent** field = FRoot->FieldAddress(name))
                *field = component;
            component->SetParentComponent(parent);
        }
        component->BeginLoading();
        FLoaded.push_back(component);

        for (;;) {
            SkipSpace();
            size_t mark = FPos;
            int line = FLine;
            std::string word = Word();
            if (word == "end")
                return;
            if (word == "object") {
                FPos = mark;
                FLine = line;
                ReadObject(component);
                continue;
            }
            Expect('=');
            TLayoutValue value = Value();
            if (!component->SetProperty(word, value))
                Error("property " + word + " does not exist in " + className);
        }
    }

    TComponent* FRoot;
    const std::string& FText;
    size_t FPos = 0;
    int FLine = 1;
    std::vector<TComponent*> FLoaded;
};
}  // namespace

bool RegisterComponentClass(const char* className, TComponentFactory factory) {
    Classes()[className] = factory;
    return true;
}

void ReadLayoutText(TComponent* root, const std::string& utf8Text) {
    TReader(root, utf8Text).Read();
}

void ReadLayout(TComponent* root, const char* resourceName) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, resourceName, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes)
        throw Exception(std::string("Layout resource not found: ") + resourceName);
    ReadLayoutText(root, std::string(bytes, SizeofResource(module, res)));
}
