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

// Makes `levels` nested folders named with `nameLength` letters "d" under `root` and writes
// `files` (name, bytes) into the deepest. Returns the chain relative to `root`.
inline std::filesystem::path
makeFolderChain(const std::filesystem::path& root, int levels, size_t nameLength,
                std::initializer_list<std::pair<std::string, std::string_view>> files = {}) {
    const std::string name(nameLength, 'd');
    int dir = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::filesystem::path chain;
    for (int i = 0; i < levels && dir >= 0; ++i, chain /= name) {
        ::mkdirat(dir, name.c_str(), 0755);
        const int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
    }
    for (const auto& [file, bytes] : files) {
        const int fd = dir < 0 ? -1 : ::openat(dir, file.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
            throw std::runtime_error("cannot write " + file);
        ::close(fd);
    }
    if (dir < 0) throw std::runtime_error("cannot make the folder chain");
    ::close(dir);
    return chain;
}

// Removes the folder `name` of the folder open as `parent` with everything in it, however deep.
inline void removeFolderAt(int parent, const char* name) {
    const int dir = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (DIR* stream = dir < 0 ? nullptr : ::fdopendir(dir)) {
        while (const dirent* entry = ::readdir(stream)) {
            const std::string_view n = entry->d_name;
            if (n == "." || n == "..") continue;
            if (::unlinkat(dir, entry->d_name, 0) != 0) removeFolderAt(dir, entry->d_name);
        }
        ::closedir(stream);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

inline void removeDeepTree(const std::filesystem::path& folder) {
    removeFolderAt(AT_FDCWD, folder.c_str());
}

} // namespace pixatest
