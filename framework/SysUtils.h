// The run-time library layer: the process command line, number conversion,
// file names and rounding. Pure functions over byte strings in the ANSI code
// page (SysUtilsPure.cpp, free of system headers), except IsAnsiLeadByte,
// FileExists and the ParamCount and ParamStr that read the process's own
// command line, which ask the system (SysUtils.cpp).
#pragma once

#include <string>
#include <vector>

// Tells whether a byte opens a double-byte character. Every function here that
// walks text takes one, so that the walk steps by whole characters.
using TLeadByteTest = bool (*)(unsigned char);

// Shift-JIS (code page 932) lead bytes: 0x81-0x9F and 0xE0-0xFC. The fixed
// table, for callers that know their text is Shift-JIS whatever the system's
// code page.
bool IsShiftJisLeadByte(unsigned char b) noexcept;

// Lead bytes of the system's ANSI code page (IsDBCSLeadByte). This is the
// default: command lines, dropped names and dialog results all arrive in the
// ANSI code page, which is 932 on the Japanese systems the program is made
// for; on a single-byte system no byte is a lead byte, so a Latin-1 "é"
// before a "\" is not mistaken for half of a Shift-JIS character.
bool IsAnsiLeadByte(unsigned char b) noexcept;

// Splits a command line into its arguments, the program's path first:
// - Arguments are separated by runs of blanks and control characters
//   (codes 1 to 32).
// - A double quote opens a quoted stretch, the next double quote closes it;
//   inside, blanks and control characters belong to the argument. The quotes
//   are dropped, and a stretch may start or end anywhere in an argument:
//   ab"c d"e is the one argument abc de, and "a""b" is ab.
// - A quote that is never closed runs to the end of the line, trailing
//   blanks included.
// - An argument that comes out empty ("" or a lone " at the end) is skipped.
// - The line is stepped by whole characters: the byte after a lead byte is
//   the character's second half whatever its value, so it neither separates
//   arguments nor opens or closes a quote. A lead byte just before the end of
//   the line stands alone.
// A null line gives no arguments.
std::vector<std::string> SplitCommandLine(const char* line, TLeadByteTest isLeadByte = IsAnsiLeadByte);

// The arguments of a command line by SplitCommandLine: their number without
// the program's path, and argument i (0 is the program's path as it stands on
// the command line). An index out of range gives "".
int ParamCount(const char* commandLine, TLeadByteTest isLeadByte);
std::string ParamStr(const char* commandLine, int index, TLeadByteTest isLeadByte);

// The same for the process's own command line (GetCommandLineA), stepped by
// the characters of the ANSI code page.
int ParamCount();
std::string ParamStr(int index);

// The number rule: optional leading blanks (code 32 only), an optional "+" or
// "-", then decimal digits, or hexadecimal digits (either case) after "$",
// "x", "X", "0x" or "0X". Anything else gives def: an empty string, a sign or
// prefix without digits, any other character anywhere (trailing blanks
// included), a decimal value outside -2147483648..2147483647.
// Hexadecimal digits make an unsigned 32-bit value that is read as signed, so
// $80000000..$FFFFFFFF are negative ($FFFFFFFF is -1); more than eight
// significant digits (leading zeros do not count) give def. A "-" before a
// hexadecimal number negates it modulo 2^32: -$10 is -16, -$FFFFFFFF is 1.
int StrToIntDef(const std::string& s, int def);

// The part of a path after its last "\" or ":" (the whole path if it has
// neither). The path is stepped by whole characters, so a second byte that
// has the value of "\" (Shift-JIS 0x95 0x5C, 0x83 0x5C) is no separator.
std::string ExtractFileName(const std::string& path, TLeadByteTest isLeadByte = IsAnsiLeadByte);

// Rounds to the nearest integer, an exact half to the even neighbour
// (238.5 -> 238, 241.5 -> 242, -2.5 -> -2), whatever the processor's rounding
// mode. Values beyond the int range give INT_MIN or INT_MAX; NaN gives 0.
int RoundHalfEven(double x);

// Whether fileName names an existing file: false for a folder, an empty name
// and a name with the wildcards "*" or "?" (which would match some other
// file).
bool FileExists(const std::string& fileName);

// The message of a failed system call: "システムエラー。コード：<code>." and,
// on the next line, the system's own description of the code; for code 0,
// which says nothing, "OS 機能呼び出しの失敗".
std::string OSErrorMessage(int code, const std::string& description);

// The system's description of an error code, without its trailing line break.
std::string SysErrorMessage(unsigned long code);

// Raises the error of the last failed system call (GetLastError).
[[noreturn]] void RaiseLastOSError();
