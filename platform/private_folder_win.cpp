#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "platform/fs.h"
#include "platform/private_folder.h"

namespace platform {
namespace {

std::string failure(const std::string& path, const char* what, DWORD err) {
    return path + ": " + what + ": " + osErrorText(int(err));
}

bool isRealFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
           !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Opens `path` without following a reparse point at it.
HANDLE openNoFollow(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool isPlainFile(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace

std::optional<std::string> userCacheFolder() {
    char buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::nullopt;
    return std::string(buffer, n);
}

Status PrivateFolder::open(const std::string& base, const std::vector<std::string>& below,
                           std::unique_ptr<PrivateFolder>* folder) {
    folder->reset();
    for (std::size_t i = 3; i <= base.size(); ++i) {
        if (i == base.size() || base[i] == '\\' || base[i] == '/')
            CreateDirectoryA(base.substr(0, i).c_str(), nullptr);
    }
    const DWORD a = GetFileAttributesA(base.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))
        return Status::ioError(failure(base, "cannot be opened", GetLastError()));
    std::string path = base;
    for (const std::string& name : below) {
        path += "\\" + name;
        if (!isPlainName(name)) return Status::ioError(path + ": not a plain folder name");
        if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return Status::ioError(failure(path, "cannot be made", GetLastError()));
        if (!isRealFolder(path)) return Status::ioError(path + " is a link or not a folder");
    }
    std::unique_ptr<PrivateFolder> made(new PrivateFolder);
    made->m_path = path;
    *folder = std::move(made);
    return {};
}

PrivateFolder::~PrivateFolder() {
    if (m_lockHandle != -1) CloseHandle(reinterpret_cast<HANDLE>(m_lockHandle));
}

Status PrivateFolder::read(const std::string& name, std::string* content,
                           std::uint64_t limit) const {
    content->clear();
    const std::string path = m_path + "\\" + name;
    if (!isPlainName(name)) return Status::invalid(path + ": not a plain file name");
    HANDLE h = openNoFollow(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
            return Status::notFound(path, int(err));
        return Status::ioError(failure(path, "cannot be opened", err), int(err));
    }
    Status result;
    LARGE_INTEGER size;
    if (!isPlainFile(h) || !GetFileSizeEx(h, &size)) {
        result = Status::ioError(path + " is not a plain file");
    } else if (std::uint64_t(size.QuadPart) > limit) {
        result = Status::tooLarge(path + " is larger than " + std::to_string(limit) + " bytes");
    } else {
        content->resize(std::size_t(size.QuadPart));
        std::size_t done = 0;
        while (done < content->size()) {
            DWORD n = 0;
            const DWORD want = DWORD(std::min<std::size_t>(content->size() - done, 1u << 30));
            if (!ReadFile(h, content->data() + done, want, &n, nullptr) || n == 0) break;
            done += n;
        }
        if (done != content->size()) {
            content->clear();
            result = Status::ioError(path + ": read short");
        }
    }
    CloseHandle(h);
    return result;
}

Status PrivateFolder::write(const std::string& name, const std::string& content,
                            bool durable) const {
    const std::string path = m_path + "\\" + name;
    if (!isPlainName(name)) return Status::invalid(path + ": not a plain file name");
    const std::string temporary = m_path + "\\." + unpredictableName() + ".new";
    HANDLE h = openNoFollow(temporary, GENERIC_WRITE, 0, CREATE_NEW);
    if (h == INVALID_HANDLE_VALUE)
        return Status::ioError(failure(path, "cannot be created", GetLastError()));
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < content.size()) {
        DWORD n = 0;
        const DWORD want = DWORD(std::min<std::size_t>(content.size() - done, 1u << 30));
        ok = WriteFile(h, content.data() + done, want, &n, nullptr) && n > 0;
        done += n;
    }
    DWORD err = ok ? 0 : GetLastError();
    if (ok && durable && !FlushFileBuffers(h)) ok = false, err = GetLastError();
    CloseHandle(h);
    // A reparse point at `name` is replaced, not followed.
    if (ok && !MoveFileExA(temporary.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0)))
        ok = false, err = GetLastError();
    if (!ok) {
        DeleteFileA(temporary.c_str());
        return Status::ioError(failure(path, "cannot be written", err), int(err));
    }
    return {};
}

Status PrivateFolder::remove(const std::string& name) const {
    const std::string path = m_path + "\\" + name;
    if (!isPlainName(name)) return Status::invalid(path + ": not a plain file name");
    if (DeleteFileA(path.c_str())) return {};
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return {};
    // A folder or a junction planted at the name: the junction itself goes.
    if (RemoveDirectoryA(path.c_str())) return {};
    err = GetLastError();
    return Status::ioError(failure(path, "cannot be removed", err), int(err));
}

std::vector<std::string> PrivateFolder::names() const {
    std::vector<std::string> out;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((m_path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") out.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return out;
}

bool PrivateFolder::lock(const std::string& name) {
    if (m_lockHandle != -1 || !isPlainName(name)) return false;
    // Shared with no one while it is open.
    HANDLE h = openNoFollow(m_path + "\\" + name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (!isPlainFile(h)) {
        CloseHandle(h);
        return false;
    }
    m_lockHandle = reinterpret_cast<std::intptr_t>(h);
    return true;
}

}  // namespace platform
