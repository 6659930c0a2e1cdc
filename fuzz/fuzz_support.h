// Scratch files shared by the fuzz targets: an in-memory input file and a private folder per
// process.
#pragma once

#include "core/error.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace pixafuzz {

namespace fs = std::filesystem;

// The reader only takes paths, so each input is put in one memory-backed file that is rewritten
// for every run: no disk traffic, no file left behind, and a path under /proc/self/fd.
class MemoryFile {
public:
    MemoryFile() {
        m_fd = ::memfd_create("pixafuzz-input", MFD_CLOEXEC);
        if (m_fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }

    const fs::path& path() const { return m_path; }

    void assign(const uint8_t* data, size_t size) {
        if (::ftruncate(m_fd, 0) != 0) std::abort();
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
    }

private:
    int m_fd = -1;
    fs::path m_path;
};

// One folder per process for the files a target writes; tmpfs when there is one, so that the
// writer's flush to disk costs nothing.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/pixafuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }

    const fs::path& path() const { return m_path; }

    // Number of entries in the folder; writers must leave nothing behind but their target.
    size_t entryCount() const {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(m_path)) {
            (void)entry;
            ++n;
        }
        return n;
    }

private:
    fs::path m_path;
};

// Stops the run with a message: libFuzzer saves the input that got here as a crash.
[[noreturn]] inline void finding(const char* what) {
    std::fprintf(stderr, "pixafuzz finding: %s\n", what);
    std::abort();
}

inline void require(bool condition, const char* what) {
    if (!condition) finding(what);
}

} // namespace pixafuzz
