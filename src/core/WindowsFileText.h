#pragma once

// The Windows side of the core's file calls: a UTF-8 path as the wide path the W calls
// take, and the system's words for the last error.
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <system_error>

namespace tavo::windows {

inline std::wstring widePath(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

inline std::string lastErrorText() { return std::system_category().message(static_cast<int>(GetLastError())); }

}  // namespace tavo::windows
#endif
