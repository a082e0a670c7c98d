// The main window's caption for an opened movie.
#pragma once

#include <string>

#include "framework/SysUtils.h"

// "Pelorin -", the file name without its folder, "-": C:\Movies\clip.avi gives
// "Pelorin -clip.avi-". The path is stepped by whole characters (see
// ExtractFileName), by default those of the system's ANSI code page.
std::string MovieTitle(const std::string& path, TLeadByteTest isLeadByte = IsAnsiLeadByte);
