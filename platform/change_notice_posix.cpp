#include <sys/stat.h>
#include <sys/vfs.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/change_notice.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace platform {
namespace {

struct FsType {
    std::uint32_t magic;
    const char* name;
    bool network;
};

// Linux's statfs f_type values (linux/magic.h and the file systems' own).
// FUSE counts as network: sshfs and its kind see only this computer's changes.
constexpr FsType kTypes[] = {
    {0x6969, "nfs", true},          {0x517B, "smbfs", true},
    {0xFF534D42, "cifs", true},     {0xFE534D42, "smb2", true},
    {0x564C, "ncpfs", true},        {0x73757245, "coda", true},
    {0x5346414F, "afs", true},      {0x6B414653, "kafs", true},
    {0x01021997, "9p", true},       {0x00C36400, "ceph", true},
    {0x65735546, "fuse", true},     {0x0BD00BD0, "lustre", true},
    {0x01161970, "gfs2", true},     {0x7461636F, "ocfs2", true},
    {0xEF53, "ext2/3/4", false},    {0x58465342, "xfs", false},
    {0x9123683E, "btrfs", false},   {0x01021994, "tmpfs", false},
    {0x794C7630, "overlay", false}, {0x4D44, "vfat", false},
    {0x2011BAB0, "exfat", false},   {0x5346544E, "ntfs", false},
    {0x7366746E, "ntfs3", false},   {0x2FC12FC1, "zfs", false},
    {0xF2F52010, "f2fs", false},    {0x858458F6, "ramfs", false},
    {0x52654973, "reiserfs", false}, {0x3153464A, "jfs", false},
};

}  // namespace

Status changeNotice(const std::string& folder, ChangeNotice* out) {
    auto native = toNative(folder);
    if (!native) return Status::notFound("cannot map the path").inFile(folder);
    std::string dir = native->empty() ? "." : *native;
    struct statfs fs;
    while (::statfs(dir.c_str(), &fs) != 0) {
        const int err = errno;
        if (err != ENOENT && err != ENOTDIR) {
            return Status::ioError("cannot ask the file system: " + osErrorText(err), err).inFile(folder);
        }
        // On to the parent; "/" always answers, so this ends.
        while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        const std::size_t slash = dir.rfind('/');
        if (slash == std::string::npos) {
            if (dir == ".") return Status::notFound("no such folder").inFile(folder);
            dir = ".";
        } else {
            dir = slash == 0 ? "/" : dir.substr(0, slash);
        }
    }
    const auto magic = std::uint32_t(fs.f_type);
    for (const FsType& t : kTypes) {
        if (t.magic != magic) continue;
        out->notified = !t.network;
        out->where = std::string(t.network ? "network" : "local") + " file system " + t.name;
        return {};
    }
    // Most file systems not named above are local ones (disks, images).
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", unsigned(magic));
    out->notified = true;
    out->where = std::string("local file system of type 0x") + hex;
    return {};
}

}  // namespace platform
