#include "settings/net_name.h"

#include "platform/fs.h"

#ifdef _WIN32
#include <windows.h>

namespace settings {
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
    long rc = callAdvapi<OpenFn>("RegOpenKeyExA", reinterpret_cast<HKEY>(std::uintptr_t(key)),
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
        // size - 1 characters plus the terminating zero of the string's buffer
        value.assign(size - 1, ' ');
        std::uint32_t ignoredType = type;
        RegQueryValueExA(key, cValueName, 0, ignoredType, value, size);
        // A value stored without its zero, or shorter than announced, keeps no padding.
        std::size_t zero = value.find('\0');
        if (zero != std::string::npos) value.resize(zero);
    }
    RegCloseKey(key);
    return value;
}

std::string NetName() {
    return QueryRegistry(0x80000002u, "System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                         "ComputerName");
}

}  // namespace settings

#else

namespace settings {

std::string NetName() { return platform::hostName(); }

}  // namespace settings

#endif
