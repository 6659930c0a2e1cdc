// Runs the built pixamantler-cli in a private temporary folder and captures what it prints.
#pragma once

#include "core/owner_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pixa {

struct CliResult {
    int status = -1; // the exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Environment variables for one run, added to the test's own environment after every
// PIXAMANTLER_ variable has been removed from it.
using CliEnv = std::map<std::string, std::string>;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the tool in the temporary folder with PIXAMANTLER_HOME set to its data folder and
    // standard input on /dev/null. `fileSizeLimit` caps the files the tool may write.
    CliResult run(const std::vector<std::string>& args, const CliEnv& env = {},
                  std::optional<long> fileSizeLimit = std::nullopt) const;

    // The same with standard input and standard error on a new terminal: `replies` are typed
    // one by one, each after its prompt has appeared. Returns what the terminal showed as err.
    CliResult runOnTerminal(const std::vector<std::string>& args,
                            const std::vector<std::pair<std::string, std::string>>& replies) const;

    // Registers through the tool; fails the test when it does not succeed.
    void registerOwner(const std::string& name, const std::string& ownerPass,
                       const std::string& viewerPass, const std::string& hint = "") const;
    // Registers through the core with a fixed time of day, so the field shift is known.
    void storeOwner(const std::string& name, const std::string& ownerPass,
                    const std::string& viewerPass, int minute, int second) const;

    std::filesystem::path path(const std::string& name) const { return m_dir / name; }
    std::filesystem::path storePath() const {
        return m_dir.parent_path() / "data" / kStoreFileName;
    }
    // Names in the temporary folder (the data folder excluded), sorted.
    std::vector<std::string> names() const;

private:
    std::filesystem::path m_dir;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// A small Windows bitmap of `size` bytes (at least 54): a real file header and info header,
// then pixel bytes that differ from position to position.
std::string bitmapBytes(size_t size);
// A JPEG-looking file of `size` bytes: SOI and an APP0 marker, then varying bytes.
std::string jpegBytes(size_t size);

// The value of `key` in a flat JSON object, unescaped; nullopt when missing or escaped beyond
// what the tests need. Numbers and null come back as written.
std::optional<std::string> jsonValue(const std::string& json, const std::string& key);

} // namespace pixa
