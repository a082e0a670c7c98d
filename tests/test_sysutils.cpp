// The run-time library rules: command line, numbers, file names, rounding,
// and the conversion of text at the Windows boundary. Text is UTF-8: 表 and ソ,
// whose Shift-JIS forms end in the byte of "\" (0x95 0x5C, 0x83 0x5C), are
// E8 A1 A8 and E3 82 BD here, and must stay whole all the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/TextConversion.h"
#include "ui/Title.h"

namespace {

using Args = std::vector<std::string>;

// --- Command line -----------------------------------------------------------

struct SplitCase {
    const char* line;
    Args expected;
};

const SplitCase kSplitCases[] = {
    {"prog a b", {"prog", "a", "b"}},
    {"  prog \t\r\n a   b  ", {"prog", "a", "b"}},
    {"", {}},
    {" \t ", {}},
    // Quoted stretches, wherever they stand in an argument.
    {"\"C:\\Program Files\\p.exe\" x", {"C:\\Program Files\\p.exe", "x"}},
    {"p ab\"c d\"e", {"p", "abc de"}},
    {"p a\"\"b", {"p", "ab"}},
    {"p \"a\"\"b\"", {"p", "ab"}},
    {"p \"\"\"a b\"\"\"", {"p", "a b"}},
    {"p \" \"", {"p", " "}},
    {"p \"\t\"x", {"p", "\tx"}},
    // Unterminated: to the end of the line, blanks included.
    {"p \"a b  ", {"p", "a b  "}},
    {"p x\"", {"p", "x"}},
    // Empty arguments are skipped, not counted.
    {"p \"\" x", {"p", "x"}},
    {"p \"\"\"\" x \"\"", {"p", "x"}},
    {"p \"", {"p"}},
    // Characters of any script stay whole, quoted or not.
    {"p C:\\表\\ソ.avi", {"p", "C:\\表\\ソ.avi"}},
    {"p \"C:\\clips\\Amélie 한글.avi\" 10", {"p", "C:\\clips\\Amélie 한글.avi", "10"}},
    {"p 𠮷😀.mp4 ﾌｧｲﾙ", {"p", "𠮷😀.mp4", "ﾌｧｲﾙ"}},
    {"p \"Москва\"\"北京\" x", {"p", "Москва北京", "x"}},
    // Bytes of no well-formed character are carried as they are; DEL is an
    // ordinary character.
    {"p a\xE3 \xB1 \x7F", {"p", "a\xE3", "\xB1", "\x7F"}},
};

TEST(SplitCommandLine, Table) {
    for (const auto& c : kSplitCases)
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << "line: " << c.line;
}

TEST(SplitCommandLine, EveryControlCharacterSeparates) {
    for (int code = 1; code <= 32; ++code) {
        const char sep = static_cast<char>(code);
        const std::string line = std::string(1, sep) + "p" + sep + "a" + sep + sep + "b" + sep;
        EXPECT_EQ(SplitCommandLine(line.c_str()), (Args{"p", "a", "b"})) << "code " << code;
    }
}

// No byte of a longer UTF-8 character (0x80 and up) separates or quotes.
TEST(SplitCommandLine, HighBytesAreNeverSeparatorsOrQuotes) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string high(1, static_cast<char>(b));
        const std::string line = "p a" + high + "b \"c" + high + "\" d";
        EXPECT_EQ(SplitCommandLine(line.c_str()), (Args{"p", "a" + high + "b", "c" + high, "d"})) << "byte " << b;
    }
}

TEST(SplitCommandLine, NullLineHasNoArguments) {
    EXPECT_TRUE(SplitCommandLine(nullptr).empty());
}

TEST(ParamStr, ReadsThisProcessCommandLine) {
    std::string self = ParamStr(0);
    CharLowerBuffA(self.data(), static_cast<DWORD>(self.size()));
    EXPECT_TRUE(self.ends_with("test_sysutils.exe") || self.ends_with("test_sysutils")) << self;
    EXPECT_GE(ParamCount(), 0);
    for (int i = 1; i <= ParamCount(); ++i)
        EXPECT_FALSE(ParamStr(i).empty()) << i;
    EXPECT_EQ(ParamStr(ParamCount() + 1), "");
    EXPECT_EQ(ParamStr(-1), "");
}

TEST(ParamStr, CountsAndPicksFromAGivenLine) {
    const char* line = "p.exe \"C:\\My Movies\\表 𠮷.avi\" \"\" 10 $10";
    EXPECT_EQ(ParamCount(line), 3);
    EXPECT_EQ(ParamStr(line, 0), "p.exe");
    EXPECT_EQ(ParamStr(line, 1), "C:\\My Movies\\表 𠮷.avi");
    EXPECT_EQ(ParamStr(line, 3), "$10");
    EXPECT_EQ(ParamStr(line, 4), "");
    EXPECT_EQ(ParamStr(line, -1), "");
    EXPECT_EQ(ParamCount(""), 0);
    EXPECT_EQ(ParamCount(nullptr), 0);
}

// --- Number rule ------------------------------------------------------------

constexpr int kDef = -99999;  // no row below yields it as a value

struct NumberCase {
    const char* text;
    int expected;
};

// Grouped by hand: one kind of case a line.
// clang-format off
const NumberCase kDecimalCases[] = {
    {"0", 0}, {"123", 123}, {"   42", 42}, {"+7", 7}, {"-7", -7}, {"-0", 0}, {"007", 7},
    {"2147483647", INT_MAX}, {"-2147483648", INT_MIN}, {"+2147483647", INT_MAX},
    {"00000000002147483647", INT_MAX},
    {"2147483648", kDef}, {"-2147483649", kDef}, {"99999999999999999999", kDef},
};

const NumberCase kHexCases[] = {
    {"$10", 16}, {"x10", 16}, {"X1f", 31}, {"0x10", 16}, {"0XaF", 175}, {"$ff", 255}, {"$FF", 255},
    {"0x0", 0}, {"  $10", 16},
    {"-$10", -16}, {"+$10", 16}, {"-0x10", -16}, {"-X10", -16},
    {"$7FFFFFFF", INT_MAX}, {"$80000000", INT_MIN}, {"$FFFFFFFF", -1},
    {"-$80000000", INT_MIN}, {"-$FFFFFFFF", 1},
    {"$000000000FF", 255}, {"$00000000FFFFFFFF", -1},
    {"$100000000", kDef}, {"$FFFFFFFFF", kDef},
};
// clang-format on

const NumberCase kInvalidCases[] =
    {
        {"", kDef},         {"   ", kDef},   {"+", kDef},    {"-", kDef},   {"$", kDef},   {"x", kDef},
        {"0x", kDef},       {"-$", kDef},    {"+0X", kDef},  {"12 ", kDef}, {"1 2", kDef}, {"\t5", kDef},
        {"5a", kDef},       {"$1g", kDef},   {"0x-1", kDef}, {"--5", kDef}, {"+-5", kDef}, {"- 5", kDef},
        {"$ 10", kDef},     {"$-10", kDef},  {"1.0", kDef},  {"1e3", kDef}, {"0b1", kDef}, {"0$10", kDef},
        {"00x10", kDef},    {"x0x10", kDef}, {"０", kDef},  // full-width digit zero
        {"\x82\x4F", kDef},                                 // the same in Shift-JIS
};

void CheckNumbers(const NumberCase* begin, const NumberCase* end) {
    for (auto c = begin; c != end; ++c)
        EXPECT_EQ(StrToIntDef(c->text, kDef), c->expected) << "text: \"" << c->text << "\"";
}

TEST(StrToIntDef, Decimal) {
    CheckNumbers(std::begin(kDecimalCases), std::end(kDecimalCases));
}

TEST(StrToIntDef, Hexadecimal) {
    CheckNumbers(std::begin(kHexCases), std::end(kHexCases));
}

TEST(StrToIntDef, InvalidGivesDefault) {
    CheckNumbers(std::begin(kInvalidCases), std::end(kInvalidCases));
    EXPECT_EQ(StrToIntDef(std::string("12\0", 3), kDef), kDef);
    EXPECT_EQ(StrToIntDef("", -1), -1);
    EXPECT_EQ(StrToIntDef("oops", 5), 5);
}

// --- File names and the title ------------------------------------------------

struct NameCase {
    std::string path;
    std::string expected;
};

const NameCase kNameCases[] = {
    {"C:\\Movies\\clip.avi", "clip.avi"},
    {"clip.avi", "clip.avi"},
    {"C:clip.avi", "clip.avi"},
    {"a:b\\c:d", "d"},
    {"\\\\server\\share\\a.mpg", "a.mpg"},
    {"C:\\dir\\", ""},
    {"", ""},
    // 表 and ソ, whose Shift-JIS forms end in the byte of "\", stay whole.
    {"C:\\表.avi", "表.avi"},
    {"C:\\dir\\ソソ.mpg", "ソソ.mpg"},
    {"C:\\dir\\a表", "a表"},
    {"表\\clip.avi", "clip.avi"},
    {"C:\\表示\\ソ\\clip.avi", "clip.avi"},
    // Any script, characters outside the basic plane, emoji.
    {"C:\\clips\\Amélie 한글.avi", "Amélie 한글.avi"},
    {"D:\\Видео\\𠮷野家 😀.mp4", "𠮷野家 😀.mp4"},
    {"E:😀", "😀"},
    {"C:\\ﾌｧｲﾙ\\ﾄﾞﾛｯﾌﾟ", "ﾄﾞﾛｯﾌﾟ"},
};

TEST(ExtractFileName, Table) {
    for (const auto& c : kNameCases)
        EXPECT_EQ(ExtractFileName(c.path), c.expected) << "path: " << c.path;
}

TEST(MovieTitle, NameBetweenProgramNameAndHyphen) {
    EXPECT_EQ(MovieTitle("C:\\Movies\\clip.avi"), "Pelorin -clip.avi-");
    EXPECT_EQ(MovieTitle("clip.avi"), "Pelorin -clip.avi-");
    EXPECT_EQ(MovieTitle("D:clip.avi"), "Pelorin -clip.avi-");
    EXPECT_EQ(MovieTitle("C:\\表\\ソ表.avi"), "Pelorin -ソ表.avi-");
    EXPECT_EQ(MovieTitle("C:\\clips\\Amélie 한글 𠮷😀.avi"), "Pelorin -Amélie 한글 𠮷😀.avi-");
}

// --- Text at the Windows boundary ----------------------------------------------

TEST(TextConversion, CharactersOfEveryRangeBothWays) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"clip.avi", u"clip.avi"},
        {"Amélie", u"Am\u00E9lie"},
        {"한글", u"\uD55C\uAE00"},
        {"ＭＳ Ｐゴシック", u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"},
        {"表ソ", u"\u8868\u30BD"},
        {"𠮷", u"\xD842\xDFB7"},
        {"😀", u"\xD83D\xDE00"},
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\xFFFF\xDBFF\xDFFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
        EXPECT_EQ(Utf16Length(c.utf8), c.utf16.size()) << c.utf8;
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
    }
    EXPECT_EQ(Utf8ToWide("Amélie 𠮷"), L"Am\u00E9lie \xD842\xDFB7");
    EXPECT_EQ(WideToUtf8(L"Am\u00E9lie \xD842\xDFB7"), "Amélie 𠮷");
}

// A Windows file name may hold a lone surrogate; it must come back as it was.
TEST(TextConversion, LoneSurrogatesGoBackToWindowsUnchanged) {
    for (std::u16string name : {std::u16string(u"a\xD800.avi"), std::u16string(u"\xDC00"), std::u16string(u"x\xDBFF"),
                                std::u16string(u"\xDFFF\xD800")}) {
        const std::string utf8 = Utf16ToUtf8(name);
        EXPECT_EQ(Utf8ToUtf16(utf8), name);
        EXPECT_EQ(Utf16Length(utf8), name.size());
    }
    EXPECT_EQ(Utf16ToUtf8(u"\xD800"), "\xED\xA0\x80");
}

TEST(TextConversion, MalformedBytesBecomeReplacementCharacters) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"\x80", u"\uFFFD"},
        {"a\xE3\x81", u"a\uFFFD\uFFFD"},                    // cut short
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // an overlong "/"
        {"\xE0\x80\x9C", u"\uFFFD\uFFFD\uFFFD"},            // an overlong "\"
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF\\", u"\uFFFD\\"},                            // the "\" after survives
        {"\x95\x5C", u"\uFFFD\\"},                          // Shift-JIS 表 is no UTF-8
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
        EXPECT_EQ(Utf16Length(c.utf8), c.utf16.size()) << testing::PrintToString(c.utf8);
    }
}

// --- Rounding ---------------------------------------------------------------

TEST(RoundHalfEven, Table) {
    // Grouped by hand: one kind of case a line.
    // clang-format off
    const struct {
        double x;
        int expected;
    } cases[] = {
        {240.75, 241}, {241.5, 242}, {238.5, 238}, {0.5, 0}, {1.5, 2}, {2.5, 2}, {0.0, 0}, {7.0, 7},
        {-240.75, -241}, {-241.5, -242}, {-238.5, -238}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
        {0.49999999999999994, 0}, {2.5000000000000004, 3}, {-2.5000000000000004, -3},
        {2147483646.5, 2147483646}, {1e12, INT_MAX}, {-1e12, INT_MIN}, {NAN, 0},
        // The aspect lock: client width times 0.75.
        {321 * 0.75, 241}, {322 * 0.75, 242}, {318 * 0.75, 238},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(RoundHalfEven(c.x), c.expected) << "x = " << c.x;
}

// --- File existence -----------------------------------------------------------

TEST(FileExists, FilesOnlyNoFoldersNoWildcards) {
    char self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::string path = self;
    const std::string folder = path.substr(0, path.size() - ExtractFileName(path).size() - 1);
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(path + ".missing"));
    EXPECT_FALSE(FileExists(folder + "\\*.exe"));
    EXPECT_FALSE(FileExists(folder + "\\test_sysutils.ex?"));
    EXPECT_FALSE(FileExists(""));
}

TEST(FileExists, NoNameLongerThanTheSystemTakes) {
    // A file whose full name has 259 characters is there; with 260 and more
    // it is not, as Windows' lookup says, even where Wine's would find it.
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    std::string folder = std::string(temp) + "file exists " + std::to_string(GetCurrentProcessId());
    std::wstring wideFolder(folder.begin(), folder.end());
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + wideFolder).c_str(), nullptr));
    for (size_t length : {259u, 260u, 261u}) {
        std::string name = folder + "\\" + std::string(length - folder.size() - 1, 'n');
        ASSERT_EQ(name.size(), length);
        std::wstring wide = L"\\\\?\\" + std::wstring(name.begin(), name.end());
        HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << length;
        CloseHandle(file);
        EXPECT_EQ(FileExists(name), length < MAX_PATH) << length;
        DeleteFileW(wide.c_str());
    }
    // The limit counts UTF-16 units, not bytes: twenty 𠮷 are 80 bytes of
    // UTF-8 but 40 units (in a folder and a name of them, as the host's file
    // system takes no more than 255 bytes in one name).
    std::string twenty;
    for (int i = 0; i < 20; ++i)
        twenty += "𠮷";
    const std::string astral = folder + "\\" + twenty;
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Utf8ToWide(astral)).c_str(), nullptr));
    for (size_t units : {259u, 260u}) {
        std::string name = astral + "\\" + twenty;
        name += std::string(units - Utf16Length(name), 'n');
        ASSERT_EQ(Utf16Length(name), units);
        ASSERT_GT(name.size(), 300u);
        std::wstring wide = L"\\\\?\\" + Utf8ToWide(name);
        HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << units;
        CloseHandle(file);
        EXPECT_EQ(FileExists(name), units < MAX_PATH) << units;
        DeleteFileW(wide.c_str());
    }
    RemoveDirectoryW((L"\\\\?\\" + Utf8ToWide(astral)).c_str());
    RemoveDirectoryW((L"\\\\?\\" + wideFolder).c_str());
}

// --- Random inputs ------------------------------------------------------------

std::string RandomBytes(std::mt19937& rng, bool allowNul) {
    // Among them the bytes of 表 (E8 A1 A8) and ソ (E3 82 BD), and a lead
    // byte of a four-byte character.
    static const unsigned char kInteresting[] = {' ',  '\t', '\n', 1,    31,   '"',  '"',  '\\', '\\', ':', 0xE8,
                                                 0xA1, 0xA8, 0xE3, 0x82, 0xBD, 0xF0, 0xB1, 'a',  'Z',  '0'};
    std::string s(rng() % 40, '\0');
    for (char& c : s) {
        unsigned char b = rng() % 2 ? kInteresting[rng() % sizeof kInteresting] : static_cast<unsigned char>(rng());
        if (!allowNul && b == 0)
            b = 'n';
        c = static_cast<char>(b);
    }
    return s;
}

Args PlainSplit(const std::string& line) {
    Args args;
    std::string cur;
    for (char c : line) {
        if (static_cast<unsigned char>(c) <= 32) {
            if (!cur.empty())
                args.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        args.push_back(cur);
    return args;
}

TEST(RandomInputs, SplitCommandLineInvariants) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        const std::string line = RandomBytes(rng, false);
        const Args args = SplitCommandLine(line.c_str());
        // Every argument is non-empty and the arguments are, in order, made of
        // the line's bytes.
        size_t at = 0;
        for (const auto& arg : args) {
            ASSERT_FALSE(arg.empty()) << line;
            for (char c : arg) {
                at = line.find(c, at);
                ASSERT_NE(at, std::string::npos) << line;
                ++at;
            }
        }
        // Without quotes it is a plain split, whatever the high bytes.
        std::string unquoted;
        for (char c : line)
            if (c != '"')
                unquoted += c;
        ASSERT_EQ(SplitCommandLine(unquoted.c_str()), PlainSplit(unquoted)) << line;
    }
}

TEST(RandomInputs, ExtractFileNameIsASuffix) {
    std::mt19937 rng(777);
    for (int round = 0; round < 3000; ++round) {
        const std::string path = RandomBytes(rng, true);
        const std::string name = ExtractFileName(path);
        ASSERT_TRUE(path.ends_with(name)) << path;
        ASSERT_EQ(name.find_first_of("\\:"), std::string::npos) << path;
        // Nothing but a separator stands just before the name.
        if (name.size() < path.size()) {
            const char before = path[path.size() - name.size() - 1];
            ASSERT_TRUE(before == '\\' || before == ':') << path;
        }
    }
}

TEST(RandomInputs, StrToIntDefAgreesWithReference) {
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int64_t> decimal(-3000000000LL, 3000000000LL);
    std::uniform_int_distribution<uint64_t> hex(0, 0xFFFFFFFFFULL);
    static const char* const kPrefixes[] = {"$", "x", "X", "0x", "0X"};
    for (int round = 0; round < 3000; ++round) {
        // Decimal: blanks, sign and leading zeros in any mix.
        const int64_t v = decimal(rng);
        std::string text = std::string(rng() % 3, ' ');
        text += v < 0 ? "-" : (rng() % 2 ? "+" : "");
        text += std::string(rng() % 3, '0') + std::to_string(v < 0 ? -v : v);
        const int expected = v >= INT_MIN && v <= INT_MAX ? static_cast<int>(v) : kDef;
        ASSERT_EQ(StrToIntDef(text, kDef), expected) << text;

        // Hexadecimal: up to nine digits, either case.
        const uint64_t h = hex(rng);
        char digits[32];
        snprintf(digits, sizeof digits, rng() % 2 ? "%llx" : "%llX", static_cast<unsigned long long>(h));
        text = std::string(kPrefixes[rng() % 5]) + digits;
        ASSERT_EQ(StrToIntDef(text, kDef), h <= 0xFFFFFFFFu ? static_cast<int32_t>(h) : kDef) << text;

        // Anything: the default comes back only for invalid text.
        const std::string any = RandomBytes(rng, true);
        const int a = StrToIntDef(any, 1), b = StrToIntDef(any, 2);
        ASSERT_TRUE((a == 1 && b == 2) || a == b) << any;
    }
}

}  // namespace
