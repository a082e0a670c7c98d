#include "framework/Layout.h"

#include <windows.h>

#include <map>
#include <vector>

#include "framework/Controls.h"
#include "framework/LayoutParser.h"
#include "framework/TextConversion.h"

namespace {
std::map<std::string, TComponentFactory>& Classes() {
    static std::map<std::string, TComponentFactory> classes;
    return classes;
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
            FRoot->SetPublishedField(name, component);
            component->SetParentComponent(FOpen.back());
        }
        component->BeginLoading();
        FLoaded.push_back(component);
        FOpen.push_back(component);
        return true;
    }

    // Layout files are UTF-8 like every text of the program: strings go in as read.
    bool Property(const std::string& name, const TLayoutValue& value) override {
        return FOpen.back()->SetProperty(name, value);
    }

    void EndObject() override { FOpen.pop_back(); }

    TComponent* FRoot;
    std::vector<TComponent*> FOpen;  // the objects being read, innermost last
    std::vector<TComponent*> FLoaded;
};
}  // namespace

void RegisterComponentClass(const char* className, TComponentFactory factory) {
    Classes()[className] = factory;
}

void ReadLayoutText(TComponent* root, const std::string& utf8Text) {
    TReader(root).Read(utf8Text);
}

void ReadLayout(TComponent* root, const char* resourceName) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(module, Utf8ToWide(resourceName).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL data = res ? LoadResource(module, res) : nullptr;
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes)
        throw Exception(std::string("Layout resource not found: ") + resourceName);
    ReadLayoutText(root, std::string(bytes, SizeofResource(module, res)));
}
