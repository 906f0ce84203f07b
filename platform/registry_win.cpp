#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "platform/registry.h"

namespace platform {
namespace {

// Each wrapper loads ADVAPI32, calls the function of its own name with the
// system's calling convention, and unloads the library again.
template <typename Fn, typename... Args>
long callAdvapi(const char* name, Args... args) {
    HMODULE lib = LoadLibraryA("ADVAPI32.DLL");
    if (!lib) return long(GetLastError());
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
    long result = fn ? long(fn(args...)) : long(ERROR_PROC_NOT_FOUND);
    FreeLibrary(lib);
    return result;
}

using OpenFn = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
using QueryFn = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using CloseFn = LONG(WINAPI*)(HKEY);

long RegOpenKeyExA(std::uint32_t key, const std::string& subKey, std::uint32_t options,
                   std::uint32_t access, std::uintptr_t& opened) {
    HKEY out = nullptr;
    // Root keys are 32-bit values that the 64-bit system sign-extends
    // (HKEY_LOCAL_MACHINE is 0xFFFFFFFF80000002 there); do the same.
    auto root = reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
    long rc = callAdvapi<OpenFn>("RegOpenKeyExA", root,
                                 subKey.c_str(), DWORD(options), REGSAM(access), &out);
    opened = reinterpret_cast<std::uintptr_t>(out);
    return rc;
}

long RegQueryValueExA(std::uintptr_t key, const std::string& valueName, std::uint32_t reserved,
                      std::uint32_t& type, std::string& data, std::uint32_t& size) {
    DWORD t = type;
    DWORD s = size;
    long rc = callAdvapi<QueryFn>(
        "RegQueryValueExA", reinterpret_cast<HKEY>(key), valueName.c_str(),
        reserved ? reinterpret_cast<LPDWORD>(std::uintptr_t(reserved)) : nullptr, &t,
        size ? reinterpret_cast<LPBYTE>(data.data()) : nullptr, &s);
    type = t;
    size = s;
    return rc;
}

long RegCloseKey(std::uintptr_t key) {
    return callAdvapi<CloseFn>("RegCloseKey", reinterpret_cast<HKEY>(key));
}

}  // namespace

std::string QueryRegistry(std::uint32_t nRootKey, const std::string& cSubKey,
                          const std::string& cValueName) {
    std::uintptr_t key = 0;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::string value;
    if (RegOpenKeyExA(nRootKey, cSubKey, 0, KEY_QUERY_VALUE, key) != 0) return "";
    RegQueryValueExA(key, cValueName, 0, type, value, size);  // asks for the size
    if (size > 0) {
        // Room for all `size` bytes: a value stored without its terminating
        // zero fills them all and must not write past the string.
        value.assign(size, ' ');
        std::uint32_t ignoredType = type;
        if (RegQueryValueExA(key, cValueName, 0, ignoredType, value, size) != 0) {
            value.clear();  // changed in between: no blanks for a name
        } else {
            // The terminating zero, and anything a shorter value left, goes.
            value.resize(std::min<std::size_t>(size, value.size()));
            std::size_t zero = value.find('\0');
            if (zero != std::string::npos) value.resize(zero);
        }
    }
    RegCloseKey(key);
    return value;
}

}  // namespace platform
