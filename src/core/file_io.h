// Files as the core uses them: reads that report numbered failures, and all-or-nothing writes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace pixa {

// A regular file opened for reading. Every failure is a Failure carrying the mapped error number.
// Anything else (a folder, a pipe or FIFO, a device, a socket) is refused with "Path/File access
// error" before it is opened: opening a FIFO would wait for a writer, opening a device can act on
// it, and a stream read once could not be read again from its start.
// Reads exactly `count` bytes at `offset` of the open file `fd` named `path`; a file that ends
// first is "Input past end of file".
void readExactAt(int fd, void* buffer, size_t count, uint64_t offset, const std::string& path);

class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    uint64_t size() const { return m_size; }
    // Reads up to `count` bytes at the current position; fewer only at the end of the file.
    size_t read(void* buffer, size_t count);
    // Reads exactly `count` bytes at `offset`; a file that ends first is "Input past end of file".
    void readExactAt(void* buffer, size_t count, uint64_t offset);
    void seek(uint64_t offset);
    // Asks the system to start reading these bytes now, so that a later read of them and reads
    // of other parts of the file wait on the disk together rather than one after the other.
    // Only a hint: never fails.
    void prefetch(uint64_t offset, size_t count) noexcept;

private:
    std::string m_path;
    int m_fd = -1;
    uint64_t m_size = 0;
};

// Writes a file through a temporary file in the target's folder, renamed over the target by
// commit(). Until then the target is untouched; a failure or destruction without commit()
// removes the temporary file, so no partial file is ever left under the target's name.
//
// The target is a missing name or a regular file. A symbolic link is followed to its file, which
// is then replaced in its own folder, so the link keeps working. Refused before anything is
// written: a folder, device, FIFO or socket, a link to a missing file or a loop of links ("Path/
// File access error"), and a file the user could not write ("Permission denied").
class AtomicFile {
public:
    enum class Permissions {
        KeepExisting, // an existing target keeps its own permissions; a new one gets `mode` less
                      // the umask, like any new file
        Exactly,      // the file gets `mode` whatever the target had and whatever the umask
    };
    explicit AtomicFile(const std::filesystem::path& target, mode_t mode = 0666,
                        Permissions permissions = Permissions::KeepExisting);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(const void* data, size_t count);
    void write(const std::string& bytes) { write(bytes.data(), bytes.size()); }
    // Renames over the target. When a target existed, the new content is flushed to the disk
    // first.
    void commit();

    const std::filesystem::path& temporaryPath() const { return m_tempPath; }
    // The file that commit() replaces: the target, or the file its links lead to.
    const std::filesystem::path& finalPath() const { return m_target; }

private:
    void discard() noexcept;

    std::filesystem::path m_shownTarget; // as the caller named it, for messages
    std::filesystem::path m_target;
    std::filesystem::path m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
    bool m_replacing = false;      // the target existed when writing began
    uint64_t m_written = 0;        // bytes written so far
    uint64_t m_writebackStart = 0; // where the range not yet handed to the disk starts
};

// Flushes the regular file `path` and its folder's entries to the disk, so that the file and
// its name survive a crash of the machine. A write failure that the system reports only when
// the data reaches the disk (a full disk under delayed allocation, a network file system) is
// met here as the Failure of a write.
void flushToDisk(const std::filesystem::path& path);

// The suffix of every temporary file the application writes.
inline constexpr const char* kTemporarySuffix = ".pixatmp";

// Removes this user's temporary files in `folder` left by processes that no longer run (killed
// mid-write); other users' files are never touched, even in a shared folder. Returns how many
// were removed; never throws.
int removeStaleTemporaries(const std::filesystem::path& folder) noexcept;

// The file that `path` names once its symbolic links are followed (the path itself when it is no
// link, or names nothing). A loop of links is "Path/File access error".
std::filesystem::path followLinks(const std::filesystem::path& path);

// "a folder", "a pipe or FIFO", "a character device" ...: what a file that is not a regular file
// is, for messages.
std::string fileKindName(mode_t mode);

} // namespace pixa
