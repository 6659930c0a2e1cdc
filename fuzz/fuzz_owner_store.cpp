// Fuzz target: the owner store read from arbitrary bytes, its log-in and hint look-ups, and an
// append after whatever the store holds.
#include "core/error.h"
#include "core/field_codec.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "fuzz_support.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr size_t kCheckedRecords = 2;

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const std::filesystem::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::optional<std::string> plain(const std::string& field, int32_t factor) {
    auto result = pixa::unscrambleFieldPartial(field, factor);
    if (!result.complete) return std::nullopt;
    return result.text;
}

void checkLookups(const pixa::OwnerStore& store, const std::vector<pixa::OwnerRecord>& records) {
    for (size_t i = 0; i < records.size() && i < kCheckedRecords; ++i) {
        const auto name = plain(records[i].name, records[i].factor);
        const auto pass = plain(records[i].ownerPass, records[i].factor);
        if (!name) continue;
        pixafuzz::require(pixa::lookupHint(store, *name).has_value(), "a stored name has no hint");
        if (!pass) continue;
        // The last record with this name and password is the one that logs in.
        std::optional<size_t> last;
        for (size_t j = 0; j < records.size(); ++j) {
            if (plain(records[j].name, records[j].factor) == name &&
                plain(records[j].ownerPass, records[j].factor) == pass)
                last = j;
        }
        const auto owner = pixa::loginOwner(store, *name, *pass);
        pixafuzz::require(owner.has_value() && last.has_value(), "a stored owner cannot log in");
        pixafuzz::require(owner->gbl_encr_name == records[*last].name &&
                              owner->gbl_mul_fact == records[*last].factor,
                          "log-in picked the wrong record");
    }
    (void)pixa::loginOwner(store, pixa::padField("nobody", 20), pixa::padField("x", 8));
    (void)pixa::lookupHint(store, pixa::padField("nobody", 20));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pixafuzz::MemoryFile input;
    static pixafuzz::ScratchFolder scratch;
    input.assign(data, size);

    const pixa::OwnerStore store(input.path());
    std::vector<pixa::OwnerRecord> records;
    try {
        records = store.readAll();
    } catch (const pixa::Failure&) {
        pixafuzz::finding("a store in a readable file failed to read");
    }
    pixafuzz::require(records.size() == size / pixa::kRecordSize,
                      "not every whole record was read");
    for (size_t i = 0; i < records.size(); ++i) {
        pixafuzz::require(records[i].bytes() == std::string(reinterpret_cast<const char*>(data) +
                                                                i * pixa::kRecordSize,
                                                            pixa::kRecordSize),
                          "a record does not give back its bytes");
    }
    checkLookups(store, records);

    // Registering after any content keeps the whole records and replaces a trailing fragment.
    // It writes a file, so only one input in four (chosen by its first byte) goes that far.
    if (size > 0 && data[0] % 4 != 0) return 0;
    const auto copy = scratch.path() / pixa::kStoreFileName;
    writeAll(copy, data, size);
    const pixa::OwnerStore real(copy);
    const pixa::FixedClock clock(12, size % 60, (size / 60) % 60);
    const std::string name = pixa::padField("Fuzz Owner", 20);
    std::optional<pixa::CurrentOwner> added;
    try {
        added = pixa::registerOwner(real, name, pixa::padField("own", 8), pixa::padField("view", 8),
                                    pixa::padField("hint", 40), clock);
    } catch (const pixa::Failure&) {
        pixafuzz::finding("registering a plain owner failed");
    }
    pixafuzz::require(scratch.entryCount() == 1, "registering left a temporary file");
    const std::string after = readAll(copy);
    const size_t whole = size / pixa::kRecordSize * pixa::kRecordSize;
    if (!added) {
        pixafuzz::require(pixa::ownerNameTaken(records, name), "a free name was refused");
        pixafuzz::require(after.size() == size, "a refused registration changed the store");
        return 0;
    }
    pixafuzz::require(after.size() == whole + pixa::kRecordSize &&
                          after.compare(0, whole, reinterpret_cast<const char*>(data), whole) == 0,
                      "an append did not keep the whole records and replace the fragment");
    pixafuzz::require(pixa::loginOwner(real, name, pixa::padField("own", 8)).has_value(),
                      "the new owner cannot log in");
    return 0;
}
