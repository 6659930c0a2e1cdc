// Writes the fuzzers' seed corpora with the project's own writer: wrapped photos of several
// sizes and owners, owner stores, and texts for the code page.
#include "core/codepage.h"
#include "core/error.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A picture that starts like a bitmap, with bytes that differ at every position.
std::string picture(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t x = seed;
    for (auto& c : out) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    if (size >= 2) out.replace(0, 2, "BM");
    return out;
}

pixa::CurrentOwner owner(const pixa::OwnerStore& store, const std::string& name, int minute,
                         int second) {
    const pixa::FixedClock clock(9, minute, second);
    const std::string texts[] = {pixa::padField(name, 20), pixa::padField("pw", 8),
                                 pixa::padField("view", 8), pixa::padField("hint for " + name, 40)};
    auto registered = pixa::registerOwner(store, texts[0], texts[1], texts[2], texts[3], clock);
    if (registered) return *registered;
    // A name stored twice, as stores written before names were compared as stored may hold it.
    const auto s = pixa::encrypt_password(texts[0], texts[1], texts[2], texts[3], clock);
    const int32_t factor = s.mul_fact * 11;
    store.append({s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, s.encr_hint,
                  pixa::formatFactor(factor), factor});
    return {s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, factor};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const fs::path root = argv[1];
        for (const char* target : {"pff_reader", "caption", "owner_store", "codepage"})
            fs::create_directories(root / target);
        const fs::path work = root / "work";
        fs::create_directories(work);

        // Owner stores of 1, 4 and 5 records (the smallest and largest shifts, a name with
        // surrounding spaces, the same name twice), the last with a trailing fragment.
        const pixa::OwnerStore store(work / pixa::kStoreFileName);
        std::vector<pixa::CurrentOwner> owners;
        owners.push_back(owner(store, "Anna", 0, 0));
        writeFile(root / "owner_store" / "seed-one-owner", readFile(store.path()));
        owners.push_back(owner(store, "Bj\xF6rn \xC5kesson", 0, 5));
        owners.push_back(owner(store, "Zed", 59, 59));
        owners.push_back(owner(store, " spaced name", 12, 34));
        writeFile(root / "owner_store" / "seed-four-owners", readFile(store.path()));
        owners.push_back(owner(store, "Anna ", 30, 1));
        writeFile(root / "owner_store" / "seed-trailing-fragment",
                  readFile(store.path()) + std::string(37, 'x'));
        writeFile(root / "owner_store" / "seed-empty", "");

        // Wrapped photos: empty body, a partial block, one and two blocks with a remainder.
        const pixa::FixedClock clock(15, 4, 5);
        const std::vector<size_t> sizes = {48, 49, 48 + 1026, 48 + 1026 + 7, 48 + 2 * 1026 + 500};
        const std::vector<size_t> ownerOf = {0, 2, 0, 3, 1};
        const std::vector<std::string> tags = {"", "Holiday", "\xC9t\xE9 \xE0 Paris",
                                               std::string(64, 'T'), "C:\\Photos\\beach.bmp"};
        for (size_t i = 0; i < sizes.size(); ++i) {
            const fs::path source = work / ("picture" + std::to_string(i) + ".bmp");
            writeFile(source, picture(sizes[i], static_cast<uint32_t>(i + 1)));
            pixa::WrapRequest request;
            request.source = source;
            request.target = work / ("photo" + std::to_string(i) + ".pff");
            request.tag = tags[i];
            request.fileType = i % 2 ? ".BMP" : ".JPG";
            request.owner = owners[ownerOf[i]];
            request.clock = &clock;
            pixa::encrypt_pff_file(request);
            const std::string bytes = readFile(request.target);
            writeFile(root / "pff_reader" / ("seed-picture-" + std::to_string(sizes[i])), bytes);
            writeFile(root / "caption" / ("seed-picture-" + std::to_string(sizes[i])), bytes);
        }

        const std::vector<std::string> texts = {
            "",
            "plain ASCII",
            "caf\xC3\xA9 \xE2\x82\xAC 5",
            "\xE2\x80\x9Cquoted\xE2\x80\x9D",
            "\xE6\x97\xA5\xE6\x9C\xAC",
            "\xF0\x9F\x93\xB7 camera",
            "\xC0\xAF overlong",
            "\xED\xA0\x80 surrogate",
            pixa::fromCodePage(std::string("\x80\x81\x8D\x9F\xFF", 5))};
        for (size_t i = 0; i < texts.size(); ++i)
            writeFile(root / "codepage" / ("seed-text-" + std::to_string(i)), texts[i]);

        fs::remove_all(work);
    } catch (const pixa::Failure& f) {
        std::fprintf(stderr, "seed writer: %s\n", f.what());
        return 1;
    }
    return 0;
}
