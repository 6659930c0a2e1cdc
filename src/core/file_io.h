// Files as the core uses them: reads that report numbered failures, and all-or-nothing writes.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace pixa {

// A file opened for reading. Every failure is a Failure carrying the mapped error number.
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
class AtomicFile {
public:
    enum class Permissions {
        KeepExisting, // an existing target keeps its own permissions; `mode` is for a new one
        Exactly,      // the file gets `mode` whatever the target had (private files)
    };
    explicit AtomicFile(const std::filesystem::path& target, mode_t mode = 0644,
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

private:
    void discard() noexcept;

    std::filesystem::path m_target;
    std::filesystem::path m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
    bool m_replacing = false;      // the target existed when writing began
    uint64_t m_written = 0;        // bytes written so far
    uint64_t m_writebackStart = 0; // where the range not yet handed to the disk starts
};

// The suffix of every temporary file the application writes.
inline constexpr const char* kTemporarySuffix = ".pixatmp";

// Removes temporary files in `folder` left by processes that no longer run (killed mid-write).
// Returns how many were removed; never throws.
int removeStaleTemporaries(const std::filesystem::path& folder) noexcept;

} // namespace pixa
