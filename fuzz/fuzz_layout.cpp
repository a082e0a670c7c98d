// The layout reader's parser: ParseLayout, without making any component.
// Input: the layout text, any bytes.
//
// The handler records the objects and properties it is told of. It knows no
// class whose name starts with "TNo" and no property whose name starts with
// "No", so the parser's answers to those run too.
//
// Properties:
// - a mistake is an Exception "Layout error at line N: ..." with N a line of
//   the text; nothing else is thrown;
// - the handler hears a well-formed story: one outer object, every property
//   inside an open object, an "end" for each object, nothing after a refusal;
// - a layout that parses, written out again, parses into the same objects
//   and properties, and is written out the same.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "framework/LayoutParser.h"

namespace {

struct TNode {
    std::string Name, ClassName;
    // Properties and nested objects in text order: a property has no Child.
    struct TItem {
        std::string Name;
        TLayoutValue Value;
        std::unique_ptr<TNode> Child;
    };
    std::vector<TItem> Items;
};

bool SameValue(const TLayoutValue& a, const TLayoutValue& b) {
    return a.Kind == b.Kind && (a.Kind == TLayoutValue::vkInteger ? a.Int == b.Int : a.Str == b.Str);
}

bool SameTree(const TNode& a, const TNode& b) {
    if (a.Name != b.Name || a.ClassName != b.ClassName || a.Items.size() != b.Items.size())
        return false;
    for (size_t i = 0; i < a.Items.size(); ++i) {
        const auto &x = a.Items[i], &y = b.Items[i];
        if (!x.Child != !y.Child)
            return false;
        if (x.Child ? !SameTree(*x.Child, *y.Child) : x.Name != y.Name || !SameValue(x.Value, y.Value))
            return false;
    }
    return true;
}

bool IsName(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
    });
}

class TRecorder : public TLayoutHandler {
public:
    explicit TRecorder(const std::string& text) : FText(text) {}

    std::unique_ptr<TNode> Root;
    int Depth() const { return static_cast<int>(FOpen.size()); }
    bool Refused = false;

    bool BeginObject(const std::string& name, const std::string& className) override {
        FUZZ_CHECK(!Refused, What() + ": told of an object after a refusal");
        FUZZ_CHECK(IsName(name) && IsName(className),
                   What() + ": object " + fuzz::Escaped(name) + ": " + fuzz::Escaped(className));
        if (className.rfind("TNo", 0) == 0) {
            Refused = true;
            return false;
        }
        auto node = std::make_unique<TNode>();
        node->Name = name;
        node->ClassName = className;
        TNode* raw = node.get();
        if (FOpen.empty()) {
            FUZZ_CHECK(!Root, What() + ": a second outer object");
            Root = std::move(node);
        } else {
            FOpen.back()->Items.push_back({std::string(), TLayoutValue(), std::move(node)});
        }
        FOpen.push_back(raw);
        return true;
    }

    bool Property(const std::string& name, const TLayoutValue& value) override {
        FUZZ_CHECK(!Refused, What() + ": told of a property after a refusal");
        FUZZ_CHECK(!FOpen.empty(), What() + ": a property outside every object");
        FUZZ_CHECK(IsName(name) && name != "end" && name != "object", What() + ": property " + fuzz::Escaped(name));
        if (value.Kind == TLayoutValue::vkString)
            FUZZ_CHECK(value.Str.find('\n') == std::string::npos, What() + ": a line break in a string");
        if (value.Kind == TLayoutValue::vkIdent)
            FUZZ_CHECK(IsName(value.Str) && !std::isdigit(static_cast<unsigned char>(value.Str[0])),
                       What() + ": identifier " + fuzz::Escaped(value.Str));
        if (name.rfind("No", 0) == 0) {
            Refused = true;
            return false;
        }
        FOpen.back()->Items.push_back({name, value, nullptr});
        return true;
    }

    void EndObject() override {
        FUZZ_CHECK(!Refused, What() + ": an end after a refusal");
        FUZZ_CHECK(!FOpen.empty(), What() + ": an end without an object");
        FOpen.pop_back();
    }

private:
    std::string What() const { return "layout " + fuzz::Escaped(FText); }

    const std::string& FText;
    std::vector<TNode*> FOpen;
};

std::string Written(const TLayoutValue& v) {
    switch (v.Kind) {
        case TLayoutValue::vkInteger: return std::to_string(v.Int);
        case TLayoutValue::vkIdent: return v.Str;
        default: {
            std::string s = "'";
            for (char c : v.Str)
                s += c == '\'' ? std::string("''") : std::string(1, c);
            return s + "'";
        }
    }
}

void Write(const TNode& node, const std::string& indent, std::string& out) {
    out += indent + "object " + node.Name + ": " + node.ClassName + "\n";
    for (const auto& item : node.Items) {
        if (item.Child)
            Write(*item.Child, indent + "  ", out);
        else
            out += indent + "  " + item.Name + " = " + Written(item.Value) + "\n";
    }
    out += indent + "end\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto what = [&] { return "layout " + fuzz::Escaped(text); };
    const long lines = 1 + std::count(text.begin(), text.end(), '\n');

    TRecorder recorder(text);
    try {
        ParseLayout(text, recorder);
    } catch (const Exception& e) {
        const std::string& m = e.Message();
        const std::string prefix = "Layout error at line ";
        FUZZ_CHECK(m.rfind(prefix, 0) == 0, what() + ": message " + fuzz::Escaped(m));
        const long line = std::strtol(m.c_str() + prefix.size(), nullptr, 10);
        FUZZ_CHECK(line >= 1 && line <= lines, what() + ": message " + fuzz::Escaped(m));
        if (recorder.Refused)
            FUZZ_CHECK(
                m.find("is not registered") != std::string::npos || m.find("does not exist") != std::string::npos,
                what() + ": a refusal reported as " + fuzz::Escaped(m));
        return 0;
    }
    FUZZ_CHECK(!recorder.Refused, what() + ": a refusal went unreported");
    FUZZ_CHECK(recorder.Root && recorder.Depth() == 0, what() + ": parsed without a whole outer object");

    std::string written;
    Write(*recorder.Root, "", written);
    TRecorder again(written);
    ParseLayout(written, again);  // any exception here is a failure
    FUZZ_CHECK(again.Root && SameTree(*recorder.Root, *again.Root),
               what() + " written out as " + fuzz::Escaped(written));
    std::string writtenAgain;
    Write(*again.Root, "", writtenAgain);
    FUZZ_CHECK(writtenAgain == written, what());
    return 0;
}
