// The main window's caption for an opened movie.
#pragma once

#include <string>

#include "framework/SysUtils.h"

// "Pelorin -", the file name without its folder, "-": C:\Movies\clip.avi gives
// "Pelorin -clip.avi-". The path and the caption are UTF-8 (see ExtractFileName).
std::string MovieTitle(const std::string& path);
