#pragma once
// Whether a program file or module may be run or loaded from where it is:
// another user who can write it, or its folder or any folder above it, could
// put their own code in its place. Plain POSIX, no Qt: the front asks it of
// the program it starts, the program of the modules it loads.

#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace trusted_file_detail {

// Owned by root or by us, and writable by nobody else: not by others at all
// (a sticky folder excepted: only an entry's owner can replace it there), not
// by a group other than our own.
inline std::string UnsafeBecause(const std::string &path, const struct stat &info, bool folder)
{
    if (info.st_uid != 0 && info.st_uid != ::getuid())
        return path + " belongs to another user";
    const bool sticky = folder && (info.st_mode & S_ISVTX);
    if ((info.st_mode & S_IWOTH) && !sticky)
        return path + " can be written by every user";
    if ((info.st_mode & S_IWGRP) && info.st_gid != ::getgid() && info.st_gid != 0 && !sticky)
        return path + " can be written by another group";
    return {};
}

} // namespace trusted_file_detail

// The empty text when `path` (absolute) is an executable regular file that
// only root or this user can change; else why not, naming the path at fault.
inline std::string UntrustedFileReason(const std::string &path)
{
    if (path.empty() || path.front() != '/')
        return "\"" + path + "\" is not an absolute path";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return path + " cannot be found";
    if (!S_ISREG(info.st_mode))
        return path + " is not a regular file";
    if (std::string why = trusted_file_detail::UnsafeBecause(path, info, false); !why.empty())
        return why;
    for (std::string folder = path.substr(0, path.rfind('/')); !folder.empty();
         folder = folder.substr(0, folder.rfind('/'))) {
        if (::stat(folder.c_str(), &info) != 0)
            return folder + " cannot be read";
        if (std::string why = trusted_file_detail::UnsafeBecause(folder, info, true); !why.empty())
            return why;
    }
    if (::stat("/", &info) == 0)
        return trusted_file_detail::UnsafeBecause("/", info, true);
    return {};
}

} // namespace platform
