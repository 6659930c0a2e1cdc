// Shared by the benchmark programs: a scratch folder, picture-like files and a registered owner.
#pragma once

#include "core/clock.h"
#include "core/file_io.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace pixa::bench {

// A private folder under $TMPDIR (or /tmp), removed with everything in it on destruction, so
// that no run leaves large files behind.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/pixa-bench-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
        }
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Writes a bitmap-like file of `size` bytes: "BM", then bytes that do not repeat in short
// cycles (a filesystem or cache could otherwise shortcut zero or repeated pages). Written in
// 1 MiB pieces so that making a large picture does not itself need much memory.
inline void writePicture(const std::filesystem::path& path, uint64_t size) {
    AtomicFile out(path, 0600);
    std::vector<char> piece(1 << 20);
    uint64_t state = 0x9E3779B97F4A7C15ull ^ size;
    uint64_t written = 0;
    bool first = true;
    while (written < size) {
        for (char& c : piece) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            c = static_cast<char>(state >> 56);
        }
        if (first) {
            piece[0] = 'B';
            piece[1] = 'M';
            first = false;
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - written));
        out.write(piece.data(), n);
        written += n;
    }
    out.commit();
}

// Registers a fixed owner in an owner store inside `folder` and returns it as the current owner.
inline CurrentOwner benchOwner(const std::filesystem::path& folder) {
    const OwnerStore store(folder / kStoreFileName);
    const FixedClock clock(10, 12, 34);
    auto owner = registerOwner(
        store, padField("Bench Owner", kNameWidth), padField("owner1", kPasswordWidth),
        padField("viewer1", kPasswordWidth), padField("", kHintWidth), clock);
    if (!owner) throw std::runtime_error("the benchmark owner could not be registered");
    return *owner;
}

} // namespace pixa::bench
