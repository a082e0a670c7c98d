// Components, bound methods, exceptions and string lists: the non-visual core
// of the window framework.
#pragma once

#include <any>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
};

// A bound method: a routine together with the object it is called on, two
// words wide like a method pointer, comparable, and cheap to copy. Events and
// replaceable message procedures are bound methods.
template <typename... Args>
struct TMethod {
    using TCode = void (*)(void*, Args...);
    TCode Code = nullptr;
    void* Data = nullptr;

    explicit operator bool() const noexcept { return Code != nullptr; }
    bool operator==(const TMethod&) const = default;
    void operator()(Args... args) const { Code(Data, std::forward<Args>(args)...); }
};

template <auto Method>
struct TMethodBinder;

template <class C, class... Args, void (C::*Method)(Args...)>
struct TMethodBinder<Method> {
    static void Thunk(void* self, Args... args) { (static_cast<C*>(self)->*Method)(std::forward<Args>(args)...); }
    static TMethod<Args...> Make(C* self) { return {&Thunk, self}; }
};

// Bind<&TMovie::TimerTick>(this). Binding a virtual method dispatches virtually.
template <auto Method, class C>
auto Bind(C* self) {
    return TMethodBinder<Method>::Make(self);
}

using TNotifyEvent = TMethod<TObject*>;

// The one exception class of the program: a message for the user.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

class TStrings : public TObject {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& operator[](int index) const { return FItems.at(static_cast<size_t>(index)); }
    void Add(std::string s) { FItems.push_back(std::move(s)); }
    const std::vector<std::string>& Items() const { return FItems; }

private:
    std::vector<std::string> FItems;
};

// Not sorted, duplicates allowed: the list keeps what it is given, in order.
class TStringList : public TStrings {};

// A value read from a window layout.
struct TLayoutValue {
    enum TKind { vkInteger, vkString, vkIdent };
    TKind Kind = vkInteger;
    int64_t Int = 0;
    std::string Str;  // text of a string (UTF-8) or an identifier

    bool IsIdent(const char* s) const { return Kind == vkIdent && Str == s; }
};

enum TOperation { opInsert, opRemove };

class TComponent;

// One published member of a class, under the name a layout gives it: a field
// that takes the component of that name, or a handler that an event names.
// Made by PublishedField and PublishedMethod; a class lists its own in
// PublishedMembers.
struct TPublishedMember {
    const char* Name;
    // Stores the component in the field of self; false, storing nothing, when
    // the component is not of the field's class.
    bool (*SetField)(TComponent* self, TComponent* component);
    // The handler bound to self, as the event type it fits.
    std::any (*Method)(TComponent* self);
};

class TComponent : public TObject {
public:
    enum : unsigned { csLoading = 1, csDesigning = 2, csDestroying = 4 };

    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& name) { FName = name; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }
    TComponent* FindComponent(const std::string& name) const;

    unsigned ComponentState() const { return FComponentState; }
    bool Loading() const { return (FComponentState & csLoading) != 0; }
    bool Designing() const { return (FComponentState & csDesigning) != 0; }
    bool Destroying() const { return (FComponentState & csDestroying) != 0; }
    // What a form designer would set on the components it shows.
    void SetDesigning(bool value);

    // Asks for a removal notification when `component` is destroyed (and
    // gives one to `component` when this is destroyed).
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Frees the owned components, the most recently created first.
    void DestroyComponents();

    // Window layouts: one property as read from the layout, in stored order.
    // Returns false for a property the class does not know.
    virtual bool SetProperty(const std::string& name, const TLayoutValue& value);
    // Runs on each component once its owner's whole layout has been read.
    virtual void Loaded();
    void BeginLoading() { FComponentState |= csLoading; }
    // Where a nested object of a layout goes: a control into its parent
    // window, a menu item into its menu, an action into its list.
    virtual void SetParentComponent(TComponent* parent) {}

    // Published methods and fields that a layout names, looked up on the root
    // in the class's table: the bound handler (empty when there is none), and
    // the field that takes a component of that name. A component of the wrong
    // class for its field is a layout error; a name without a field, nothing.
    std::any MethodAddress(const std::string& name);
    void SetPublishedField(const std::string& name, TComponent* component);

protected:
    // The class's published fields and handlers, one static table; none here.
    virtual std::span<const TPublishedMember> PublishedMembers() const { return {}; }
    virtual void Notification(TComponent* component, TOperation operation);
    void MarkDestroying() { FComponentState |= csDestroying; }

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void RemoveNotification(TComponent* component);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    unsigned FComponentState = 0;
};

template <class TMember>
struct TMemberOf;
template <class C, class M>
struct TMemberOf<M C::*> {
    using Class = C;
    using Type = M;
};

// PublishedField<&TForm1::OpenDialog1>("OpenDialog1"): the field takes only a
// component of its own class (or one derived from it).
template <auto Field>
TPublishedMember PublishedField(const char* name) {
    using C = typename TMemberOf<decltype(Field)>::Class;
    using T = std::remove_pointer_t<typename TMemberOf<decltype(Field)>::Type>;
    static_assert(std::is_base_of_v<TComponent, T>, "a published field holds a component");
    return {name,
            [](TComponent* self, TComponent* component) {
                T* typed = dynamic_cast<T*>(component);
                if (component && !typed)
                    return false;
                static_cast<C*>(self)->*Field = typed;
                return true;
            },
            nullptr};
}

// PublishedMethod<&TForm1::FormCreate>("FormCreate"): the handler, bound to
// the form, for the event whose arguments it takes.
template <auto Method>
TPublishedMember PublishedMethod(const char* name) {
    using C = typename TMemberOf<decltype(Method)>::Class;
    return {name, nullptr, [](TComponent* self) -> std::any { return Bind<Method>(static_cast<C*>(self)); }};
}

// The application object stands above every component layer (it knows
// forms and runs the message loop); what controls, menus, actions, dialogs,
// the drop target, the movie control and the background runner need of it
// they reach through these hooks, which it fills in (framework/Forms.cpp).
// Only the forms unit and the program's own windows (ui/) name Application.
struct TApplicationHooks {
    // Shows the error being handled; called inside a catch block.
    void (*HandleException)(TObject* sender) = nullptr;
    // Whether the user's input that would start something is ignored now.
    bool (*Busy)() = nullptr;
    // The main form, the owner of the program's dialogs; null before it is made.
    TComponent* (*MainForm)() = nullptr;
    // The plain message box (TApplication::ShowMessage).
    void (*ShowMessage)(const std::string& text) = nullptr;
    // Whether the application was told to end.
    bool (*Terminated)() = nullptr;
    // Enters and leaves the busy state (TApplication::BeginBusy, EndBusy).
    void (*BeginBusy)() = nullptr;
    void (*EndBusy)() = nullptr;
    // Dispatches what is waiting in the thread's queue, then returns.
    void (*ProcessMessages)() = nullptr;
};
extern TApplicationHooks ApplicationHooks;

// Call inside a catch block: the application shows the error. Without an
// application to show it, the program ends, as for an unhandled exception.
void HandleApplicationException(TObject* sender);
bool ApplicationBusy();
TComponent* ApplicationMainForm();
// The rest do nothing without an application (a program with no forms), and
// ApplicationTerminated is then false.
void ApplicationShowMessage(const std::string& text);
bool ApplicationTerminated();
void ApplicationBeginBusy();
void ApplicationEndBusy();
void ApplicationProcessMessages();

// Typed lookup of a published method for an event property of a layout.
template <class TEvent>
TEvent LayoutMethod(TComponent* self, const TLayoutValue& value);

// The component whose layout is being read (its methods are looked up there).
TComponent* LayoutRoot();
void SetLayoutRoot(TComponent* root);

template <class TEvent>
TEvent LayoutMethod(TComponent* self, const TLayoutValue& value) {
    TComponent* root = LayoutRoot();
    std::any m = root ? root->MethodAddress(value.Str) : std::any();
    if (const TEvent* e = std::any_cast<TEvent>(&m))
        return *e;
    throw Exception("Method not found: " + value.Str);
}
