#include "framework/Layout.h"

#include <windows.h>

#include <map>
#include <vector>

#include "framework/Controls.h"
#include "framework/LayoutParser.h"

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

// Makes the components that the layout describes, as the parser finds them.
class TReader : public TLayoutHandler {
public:
    explicit TReader(TComponent* root) : FRoot(root) {}

    void Read(const std::string& text) {
        TComponent* previousRoot = LayoutRoot();
        SetLayoutRoot(FRoot);
        try {
            ParseLayout(text, *this);
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
    bool BeginObject(const std::string& name, const std::string& className) override {
        TComponent* component;
        if (FOpen.empty()) {
            component = FRoot;
            if (FRoot->Name().empty())
                FRoot->SetName(name);
        } else {
            auto found = Classes().find(className);
            if (found == Classes().end())
                return false;
            component = found->second(FRoot);
            component->SetName(name);
            if (TComponent** field = FRoot->FieldAddress(name))
                *field = component;
            component->SetParentComponent(FOpen.back());
        }
        component->BeginLoading();
        FLoaded.push_back(component);
        FOpen.push_back(component);
        return true;
    }

    bool Property(const std::string& name, const TLayoutValue& value) override {
        if (value.Kind != TLayoutValue::vkString)
            return FOpen.back()->SetProperty(name, value);
        TLayoutValue text = value;
        text.Str = Utf8ToCp932(value.Str);
        return FOpen.back()->SetProperty(name, text);
    }

    void EndObject() override { FOpen.pop_back(); }

    TComponent* FRoot;
    std::vector<TComponent*> FOpen;  // the objects being read, innermost last
    std::vector<TComponent*> FLoaded;
};
}  // namespace

bool RegisterComponentClass(const char* className, TComponentFactory factory) {
    Classes()[className] = factory;
    return true;
}

void ReadLayoutText(TComponent* root, const std::string& utf8Text) {
    TReader(root).Read(utf8Text);
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
