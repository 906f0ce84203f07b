#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "platform/status.h"

// The one way the Windows layer opens files (file_win.cpp, fs_win.cpp).
namespace platform::win {

// GetLastError's code as a Status: not found, sharing refused (Locked), else IoError.
Status lastErrorStatus(const std::string& what, const std::string& path, DWORD err);

// Whether `path` names a device rather than a file: "\\.\" and "\\?\" names
// (also with '/'), and the reserved names (CON, NUL, COM1, LPT1, ...) that
// Windows turns into devices in any folder and with any extension.
bool isDevicePath(const std::string& path);

// CreateFileA that keeps the handle only for a file on a disk (GetFileType
// FILE_TYPE_DISK): device names are refused before opening and anything else
// after it, as NotFound. With `followLinks` false a reparse point (symbolic
// link, junction) at `path` is refused (IoError).
Status openRegular(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                   bool followLinks, HANDLE* handle);

}  // namespace platform::win
