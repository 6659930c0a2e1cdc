#include "core/caption_listing.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace pixa {

namespace fs = std::filesystem;

namespace {

// Files asked for this far ahead of the one read, so that the disk serves many uncached files
// at once instead of one after the other.
constexpr size_t kReadAhead = 32;

bool namedPff(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".pff";
}

// The kernel's own file systems (processes, devices, control files), which hold no photos and
// can be endless to walk; and the folders where they are mounted, also as bind mounts.
bool pseudoFileSystem(const fs::path& folder) {
    if (folder == "/proc" || folder == "/sys" || folder == "/dev") return true;
    struct statfs st {};
    if (::statfs(folder.c_str(), &st) != 0) return false;
    switch (static_cast<unsigned long>(st.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
    case BPF_FS_MAGIC:
    case BINFMTFS_MAGIC:
    case NSFS_MAGIC:
    case HUGETLBFS_MAGIC:
    case AUTOFS_SUPER_MAGIC:
    case USBDEVICE_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

// Adds the .pff entries of `folder` to `files` and, with `recursive`, its subfolders to
// `subfolders`, leaving out links to folders and pseudo file systems. A folder that cannot be
// read, or stops being readable part way, throws.
void scanFolder(const fs::path& folder, bool recursive, std::vector<fs::path>& files,
                std::vector<fs::path>& subfolders) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) throwErrno(ec.value(), "list", folder.string());
    for (const fs::directory_iterator end; it != end;) {
        const fs::directory_entry& entry = *it;
        std::error_code kindUnknown;
        const bool isFolder = entry.is_directory(kindUnknown);
        if (isFolder) {
            std::error_code linkUnknown;
            if (recursive && !entry.is_symlink(linkUnknown) && !pseudoFileSystem(entry.path()))
                subfolders.push_back(entry.path());
        } else if (namedPff(entry.path())) {
            files.push_back(entry.path());
        }
        it.increment(ec);
        if (ec) throwErrno(ec.value(), "list", folder.string());
    }
}

// Asks the system for the bytes readCaption() will read. The file is opened without waiting, so
// that a FIFO cannot hold the listing up; what is not a regular file is left alone here, and
// readCaption() refuses it.
void prefetchFile(const fs::path& file) noexcept {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<uint64_t>(st.st_size) >= kTrailerSize) {
        ::posix_fadvise(fd, kTagOffset, kHeaderSize - kTagOffset, POSIX_FADV_WILLNEED);
        ::posix_fadvise(fd, st.st_size - static_cast<off_t>(kTrailerSize), 4, POSIX_FADV_WILLNEED);
    }
    ::close(fd);
}

// The listing's one order: by path without regard to the letters' case, as people read names;
// paths that differ in case only, by their bytes.
bool byNameIgnoringCase(const fs::path& a, const fs::path& b) {
    const std::string& x = a.native();
    const std::string& y = b.native();
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    const auto [ax, ay] = std::mismatch(x.begin(), x.end(), y.begin(), y.end(),
                                        [&](char p, char q) { return lower(p) == lower(q); });
    if (ax == x.end() && ay == y.end()) return x < y;
    if (ax == x.end()) return true;
    if (ay == y.end()) return false;
    return lower(*ax) < lower(*ay);
}

CaptionEntry readEntry(const fs::path& file) {
    CaptionEntry entry;
    entry.file = file;
    try {
        // A FIFO, device or folder is refused by the reader before it could wait on it.
        entry.caption = readCaption(file);
    } catch (const Failure& f) {
        entry.status = f.kind() == FailureKind::NotWrappedPhoto ? CaptionStatus::NotWrapped
                                                                : CaptionStatus::Unreadable;
        entry.failure = f;
    }
    return entry;
}

} // namespace

std::vector<fs::path> listPffFiles(const fs::path& folder, bool recursive,
                                   std::vector<UnreadFolder>* unreadFolders,
                                   const FolderVisit& visit, std::stop_token stop) {
    std::vector<fs::path> files;
    // One folder is open at a time, however deep the tree: a deep tree cannot run the process
    // out of file descriptors.
    std::vector<fs::path> pending;
    throwIfStopped(stop);
    if (visit) visit(folder);
    scanFolder(folder, recursive, files, pending);
    while (!pending.empty()) {
        const fs::path next = std::move(pending.back());
        pending.pop_back();
        if (visit) visit(next);
        throwIfStopped(stop);
        try {
            scanFolder(next, recursive, files, pending);
        } catch (const Failure& f) {
            if (!unreadFolders) throw;
            unreadFolders->push_back({next, f});
        }
    }
    std::sort(files.begin(), files.end(), byNameIgnoringCase);
    if (unreadFolders) {
        std::sort(unreadFolders->begin(), unreadFolders->end(),
                  [](const UnreadFolder& a, const UnreadFolder& b) { return a.folder < b.folder; });
    }
    return files;
}

void prefetchCaption(const fs::path& file) noexcept {
    prefetchFile(file);
}

void readCaptions(const std::vector<fs::path>& files, const CaptionSink& onFile,
                  const Progress& progress, std::stop_token stop) {
    throwIfStopped(stop);
    for (size_t i = 0; i < std::min(kReadAhead, files.size()); ++i)
        prefetchFile(files[i]);
    for (size_t i = 0; i < files.size(); ++i) {
        if (progress) progress(i + 1, files.size());
        throwIfStopped(stop);
        if (i + kReadAhead < files.size()) prefetchFile(files[i + kReadAhead]);
        onFile(readEntry(files[i]));
    }
}

std::vector<UnreadFolder> readFolderCaptions(const fs::path& folder, bool recursive,
                                             const CaptionSink& onFile, const Progress& progress,
                                             std::stop_token stop) {
    throwIfStopped(stop);
    std::vector<UnreadFolder> unread;
    const auto files = listPffFiles(folder, recursive, &unread, {}, stop);
    readCaptions(files, onFile, progress, std::move(stop));
    return unread;
}

} // namespace pixa
