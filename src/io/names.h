// Names of files are UTF-8 inside the program. Windows takes them as UTF-16: every call of the
// file layer hands the system a name made here, so that a name in any letters opens. On Linux
// a name is its bytes, as the system gave them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vantedit::io {

#if defined(_WIN32)
// The name as Windows takes it.
inline std::wstring wideName(std::string_view name) {
    const int size = static_cast<int>(name.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, name.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}
#endif

// The name as the file system library takes it, and back.
inline std::filesystem::path fsPath(std::string_view name) {
#if defined(_WIN32)
    return std::filesystem::path(wideName(name));
#else
    return std::filesystem::path(name);
#endif
}

inline std::string nameOf(const std::filesystem::path& path) {
#if defined(_WIN32)
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
#else
    return path.string();
#endif
}

}  // namespace vantedit::io
