// Helpers shared by the core's tests: a private temporary folder, file bytes, test pictures,
// owners.
#pragma once

#include "core/error.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace pixatest {

namespace fs = std::filesystem;

// The error number of the Failure that `f` throws; 0 when it throws none.
inline int32_t failureNumber(auto&& f) {
    try {
        f();
    } catch (const pixa::Failure& e) {
        return e.number();
    }
    return 0;
}

// A fresh folder under /tmp for each test, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = "/tmp/pixatest-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Deterministic pseudo-random bytes, so that every position of a picture is told apart.
inline std::string pictureBytes(size_t size, uint32_t seed = 1) {
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (auto& c : out) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

// The names in a folder, sorted.
inline std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

inline unsigned modeOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 0777;
}

// An owner as registration would make it at minute:second (F = minute + second).
inline pixa::CurrentOwner makeOwner(std::string_view name, std::string_view ownerPass,
                                    std::string_view viewerPass, int minute, int second) {
    const pixa::FixedClock clock(10, minute, second);
    const auto s =
        pixa::encrypt_password(pixa::padField(name, 20), pixa::padField(ownerPass, 8),
                               pixa::padField(viewerPass, 8), pixa::padField("", 40), clock);
    return {s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, s.mul_fact * 11};
}

} // namespace pixatest
