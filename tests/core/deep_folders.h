// Folder chains deeper than the system's path limit, made and removed through folder
// descriptors: listings meet folders and files there that cannot be opened by their paths.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pixatest {

// Makes `levels` nested folders, each named with `nameLength` letters "d", under `root`; writes
// the files `files` (name, bytes) into the deepest. Returns the chain relative to `root`.
inline std::filesystem::path
makeFolderChain(const std::filesystem::path& root, int levels, size_t nameLength,
                std::initializer_list<std::pair<std::string, std::string_view>> files = {}) {
    const std::string name(nameLength, 'd');
    int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::filesystem::path chain;
    for (int i = 0; i < levels && dir >= 0; ++i) {
        ::mkdirat(dir, name.c_str(), 0755);
        const int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
        chain /= name;
    }
    if (dir < 0) throw std::runtime_error("cannot make the folder chain");
    for (const auto& [fileName, bytes] : files) {
        const int fd = ::openat(dir, fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const bool written =
            fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
        if (fd >= 0) ::close(fd);
        if (!written) throw std::runtime_error("cannot write " + fileName);
    }
    ::close(dir);
    return chain;
}

// Removes everything inside the folder open as `dir` (closed here), whatever its depth.
inline void removeContents(int dir) {
    DIR* stream = ::fdopendir(dir);
    if (!stream) {
        ::close(dir);
        return;
    }
    while (const dirent* entry = ::readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        const int sub = ::openat(dir, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (sub >= 0) {
            removeContents(sub);
            ::unlinkat(dir, entry->d_name, AT_REMOVEDIR);
        } else {
            ::unlinkat(dir, entry->d_name, 0);
        }
    }
    ::closedir(stream);
}

// Removes `folder` with everything in it, however deep.
inline void removeDeepTree(const std::filesystem::path& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) return;
    removeContents(dir);
    ::rmdir(folder.c_str());
}

} // namespace pixatest
