// The run-time library layer: the process command line, number conversion,
// file names and rounding. Pure functions over UTF-8 text (SysUtilsPure.cpp,
// free of system headers), except FileExists and the ParamCount and ParamStr
// that read the process's own command line, which ask the system
// (SysUtils.cpp).
//
// The rules below look only at ASCII bytes (blanks, quotes, "\", ":"). In
// UTF-8 every byte of a longer character is 0x80 or above, so a byte-wise walk
// never cuts a character nor mistakes part of one for a separator: the
// Shift-JIS names whose second byte is 0x5C ("表", "ソ") are plain
// three-byte characters here.
#pragma once

#include <string>
#include <vector>

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
// A null line gives no arguments.
std::vector<std::string> SplitCommandLine(const char* line);

// The arguments of a command line by SplitCommandLine: their number without
// the program's path, and argument i (0 is the program's path as it stands on
// the command line). An index out of range gives "".
int ParamCount(const char* commandLine);
std::string ParamStr(const char* commandLine, int index);

// The same for the process's own command line, read as UTF-16
// (GetCommandLineW) so that every character of a file name arrives.
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
// neither).
std::string ExtractFileName(const std::string& path);

// Rounds to the nearest integer, an exact half to the even neighbour
// (238.5 -> 238, 241.5 -> 242, -2.5 -> -2), whatever the processor's rounding
// mode. Values beyond the int range give INT_MIN or INT_MAX; NaN gives 0.
int RoundHalfEven(double x);

// Whether fileName names an existing file: false for a folder, an empty name,
// a name with the wildcards "*" or "?" (which would match some other file)
// and a name whose UTF-16 form does not fit MAX_PATH units with its
// terminator.
bool FileExists(const std::string& fileName);

// The message of a failed system call: "システムエラー。コード：<code>." and,
// on the next line, the system's own description of the code; for code 0,
// which says nothing, "OS 機能呼び出しの失敗".
std::string OSErrorMessage(int code, const std::string& description);

// The system's description of an error code, without its trailing line break.
std::string SysErrorMessage(unsigned long code);

// A text of the program's string table (resource id); empty when the
// program has none of that number.
std::string LoadStr(unsigned id);

// Raises the error of the last failed system call (GetLastError).
[[noreturn]] void RaiseLastOSError();
