#include "framework/Classes.h"

#include <algorithm>

namespace {
TComponent* gLayoutRoot = nullptr;

void Erase(std::vector<TComponent*>& list, TComponent* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}
}  // namespace

TApplicationHooks ApplicationHooks;

void HandleApplicationException(TObject* sender) {
    if (!ApplicationHooks.HandleException)
        std::terminate();
    ApplicationHooks.HandleException(sender);
}

bool ApplicationBusy() {
    return ApplicationHooks.Busy && ApplicationHooks.Busy();
}

TComponent* ApplicationMainForm() {
    return ApplicationHooks.MainForm ? ApplicationHooks.MainForm() : nullptr;
}

void ApplicationShowMessage(const std::string& text) {
    if (ApplicationHooks.ShowMessage)
        ApplicationHooks.ShowMessage(text);
}

bool ApplicationTerminated() {
    return ApplicationHooks.Terminated && ApplicationHooks.Terminated();
}

void ApplicationBeginBusy() {
    if (ApplicationHooks.BeginBusy)
        ApplicationHooks.BeginBusy();
}

void ApplicationEndBusy() {
    if (ApplicationHooks.EndBusy)
        ApplicationHooks.EndBusy();
}

void ApplicationProcessMessages() {
    if (ApplicationHooks.ProcessMessages)
        ApplicationHooks.ProcessMessages();
}

TComponent* LayoutRoot() {
    return gLayoutRoot;
}

void SetLayoutRoot(TComponent* root) {
    gLayoutRoot = root;
}

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    MarkDestroying();
    // Watchers hear of it first, then the owned components go, newest first.
    while (!FFreeNotifies.empty()) {
        TComponent* watcher = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        Erase(watcher->FFreeNotifies, this);
        watcher->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (c->FName == name)
            return c;
    return nullptr;
}

void TComponent::SetDesigning(bool value) {
    if (value)
        FComponentState |= csDesigning;
    else
        FComponentState &= ~csDesigning;
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
        FFreeNotifies.push_back(component);
    if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
        component->FFreeNotifies.end())
        component->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    Erase(FFreeNotifies, component);
    Erase(component->FFreeNotifies, this);
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty())
        delete FComponents.back();  // unlinks itself through RemoveComponent
}

bool TComponent::SetProperty(const std::string& name, const TLayoutValue& value) {
    if (name == "Name") {
        FName = value.Str;
        return true;
    }
    return false;
}

void TComponent::Loaded() {
    FComponentState &= ~csLoading;
}

std::any TComponent::MethodAddress(const std::string& name) {
    for (const TPublishedMember& m : PublishedMembers())
        if (m.Method && name == m.Name)
            return m.Method(this);
    return {};
}

void TComponent::SetPublishedField(const std::string& name, TComponent* component) {
    for (const TPublishedMember& m : PublishedMembers())
        if (m.SetField && name == m.Name) {
            if (!m.SetField(this, component))
                throw Exception("Layout error: the class of " + name + " does not fit its field");
            return;
        }
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove)
        RemoveFreeNotification(component);
    // Owned components hear of every insertion and removal in their owner.
    for (size_t i = 0; i < FComponents.size(); ++i)
        if (FComponents[i] != component)
            FComponents[i]->Notification(component, operation);
}

void TComponent::InsertComponent(TComponent* component) {
    FComponents.push_back(component);
    component->FOwner = this;
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    Notification(component, opRemove);
    Erase(FComponents, component);
    component->FOwner = nullptr;
}
