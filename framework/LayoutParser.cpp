#include "framework/LayoutParser.h"

#include <cctype>
#include <cstdint>

namespace {
constexpr int kMaxDepth = 100;

class TParser {
public:
    TParser(const std::string& text, TLayoutHandler& handler) : FText(text), FHandler(handler) {}

    void Parse() {
        ReadObject();
        SkipSpace();
        if (FPos < FText.size())
            Error("text after the last 'end'");
    }

private:
    [[noreturn]] void Error(const std::string& what) {
        throw Exception("Layout error at line " + std::to_string(FLine) + ": " + what);
    }

    bool IsNameChar(char c) const { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

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
        while (FPos < FText.size() && IsNameChar(FText[FPos]))
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

    int64_t Number() {
        bool negative = FText[FPos] == '-';
        if (negative)
            ++FPos;
        uint64_t base = 10;
        if (FPos < FText.size() && FText[FPos] == '$') {
            base = 16;
            ++FPos;
        }
        const size_t start = FPos;
        uint64_t value = 0;
        for (; FPos < FText.size(); ++FPos) {
            const char c = FText[FPos];
            uint64_t digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<uint64_t>(c - '0');
            else if (base == 16 && c >= 'a' && c <= 'f')
                digit = static_cast<uint64_t>(c - 'a' + 10);
            else if (base == 16 && c >= 'A' && c <= 'F')
                digit = static_cast<uint64_t>(c - 'A' + 10);
            else
                break;
            // A layout mistake like any other, not a library error that the
            // caller would not expect.
            if (value > (static_cast<uint64_t>(INT64_MAX) - digit) / base)
                Error("number out of range");
            value = value * base + digit;
        }
        if (start == FPos)
            Error("a number was expected");
        // 12ab or 1.5 is a mistake, not 12 or 1 with something after it.
        if (FPos < FText.size() && IsNameChar(FText[FPos]))
            Error("a number was expected");
        return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    }

    TLayoutValue Value() {
        SkipSpace();
        if (FPos >= FText.size())
            Error("a value was expected");
        TLayoutValue v;
        char c = FText[FPos];
        if (c == '\'') {
            v.Kind = TLayoutValue::vkString;
            for (;;) {
                ++FPos;
                if (FPos >= FText.size() || FText[FPos] == '\n')
                    Error("unterminated string");
                if (FText[FPos] == '\'') {
                    if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                        v.Str += '\'';
                        ++FPos;
                        continue;
                    }
                    ++FPos;
                    break;
                }
                v.Str += FText[FPos];
            }
        } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            v.Int = Number();
        } else {
            v.Kind = TLayoutValue::vkIdent;
            v.Str = Word();
        }
        return v;
    }

    // "object Name: Class", its properties and nested objects, then "end".
    void ReadObject() {
        if (Word() != "object")
            Error("'object' was expected");
        std::string name = Word();
        Expect(':');
        std::string className = Word();
        // Each level is a call here and a window there: a bound keeps a
        // runaway layout from overflowing the stack.
        if (FDepth == kMaxDepth)
            Error("objects nested more than " + std::to_string(kMaxDepth) + " deep");
        ++FDepth;
        if (!FHandler.BeginObject(name, className))
            Error("class " + className + " is not registered");

        for (;;) {
            SkipSpace();
            size_t mark = FPos;
            int line = FLine;
            std::string word = Word();
            if (word == "end") {
                FHandler.EndObject();
                --FDepth;
                return;
            }
            if (word == "object") {
                FPos = mark;
                FLine = line;
                ReadObject();
                continue;
            }
            Expect('=');
            TLayoutValue value = Value();
            if (!FHandler.Property(word, value))
                Error("property " + word + " does not exist in " + className);
        }
    }

    const std::string& FText;
    TLayoutHandler& FHandler;
    size_t FPos = 0;
    int FLine = 1;
    int FDepth = 0;
};
}  // namespace

void ParseLayout(const std::string& utf8Text, TLayoutHandler& handler) {
    TParser(utf8Text, handler).Parse();
}
