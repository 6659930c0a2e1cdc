#include "core/owner_store.h"

#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/owner_codec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pixa {

namespace fs = std::filesystem;

namespace {

// A stored field unscrambled with the record's factor; nullopt when a code has no character
// (a damaged record), which then matches nothing.
std::optional<std::string> plainField(const std::string& field, int32_t factor) {
    auto result = unscrambleFieldPartial(field, factor);
    if (!result.complete) return std::nullopt;
    return std::move(result.text);
}

bool fieldEquals(const std::string& field, int32_t factor, std::string_view typed) {
    const auto plain = plainField(field, factor);
    return plain && *plain == typed;
}

CurrentOwner ownerOf(const OwnerRecord& record) {
    return CurrentOwner{record.name, record.ownerPass, record.viewerPass, record.factor};
}

} // namespace

std::string OwnerRecord::bytes() const {
    std::string out;
    out.reserve(kRecordSize);
    out.append(name).append(ownerPass).append(viewerPass).append(hint).append(factorText);
    if (out.size() != kRecordSize) {
        throw Failure(err::InvalidArgument, "an owner record must be 80 bytes, not " +
                                                std::to_string(out.size()));
    }
    return out;
}

OwnerRecord OwnerRecord::fromBytes(std::string_view record) {
    if (record.size() != kRecordSize) {
        throw Failure(err::InputPastEnd, "an owner record holds " + std::to_string(record.size()) +
                                             " bytes, not 80");
    }
    OwnerRecord r;
    r.name = record.substr(0, 20);
    r.ownerPass = record.substr(20, 8);
    r.viewerPass = record.substr(28, 8);
    r.hint = record.substr(36, 40);
    r.factorText = record.substr(76, 4);
    r.factor = parseLeadingNumber(r.factorText);
    return r;
}

std::string CurrentOwner::plainName() const {
    return decrypt_name(gbl_encr_name, gbl_mul_fact);
}

bool OwnerStore::exists() const {
    std::error_code ec;
    return fs::is_regular_file(m_file, ec);
}

bool OwnerStore::ownersPresent() const {
    // A store holding only a damaged fragment has nobody who could log in.
    std::error_code ec;
    return exists() && fs::file_size(m_file, ec) >= kRecordSize && !ec;
}

std::vector<OwnerRecord> OwnerStore::readAll() const {
    std::vector<OwnerRecord> records;
    if (!exists()) return records;
    InputFile file(m_file);
    const uint64_t whole = file.size() / kRecordSize;
    std::string buffer(static_cast<size_t>(whole * kRecordSize), '\0');
    if (!buffer.empty()) file.readExactAt(buffer.data(), buffer.size(), 0);
    records.reserve(static_cast<size_t>(whole));
    for (uint64_t i = 0; i < whole; ++i) {
        records.push_back(
            OwnerRecord::fromBytes(std::string_view(buffer).substr(i * kRecordSize, kRecordSize)));
    }
    return records;
}

void OwnerStore::createIfMissing() const {
    const int fd = ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno != EEXIST) throwErrno(errno, "create", m_file.string());
}

void OwnerStore::append(const OwnerRecord& record) const {
    const std::string added = record.bytes();
    std::string existing;
    if (exists()) {
        InputFile file(m_file);
        existing.resize(static_cast<size_t>(file.size() / kRecordSize * kRecordSize));
        if (!existing.empty()) file.readExactAt(existing.data(), existing.size(), 0);
    }
    AtomicFile out(m_file, 0600, AtomicFile::Permissions::Exactly);
    out.write(existing);
    out.write(added);
    out.commit();
}

bool ownerNameTaken(const std::vector<OwnerRecord>& records, std::string_view paddedName) {
    for (const auto& record : records) {
        if (fieldEquals(record.name, record.factor, paddedName)) return true;
    }
    return false;
}

std::optional<CurrentOwner> registerOwner(const OwnerStore& store, std::string_view paddedName,
                                          std::string_view paddedOwnerPass,
                                          std::string_view paddedViewerPass,
                                          std::string_view paddedHint, const Clock& clock) {
    if (ownerNameTaken(store.readAll(), paddedName)) return std::nullopt;
    // Scramble before touching the store, so that a text that cannot be scrambled writes nothing.
    const ScrambledOwner s =
        encrypt_password(paddedName, paddedOwnerPass, paddedViewerPass, paddedHint, clock);
    OwnerRecord record;
    record.name = s.encr_name;
    record.ownerPass = s.encr_owner_pass;
    record.viewerPass = s.encr_viewer_pass;
    record.hint = s.encr_hint;
    record.factor = s.mul_fact * 11;
    record.factorText = formatFactor(record.factor);
    store.append(record);
    return ownerOf(record);
}

std::optional<CurrentOwner> loginOwner(const OwnerStore& store, std::string_view paddedName,
                                       std::string_view paddedOwnerPass) {
    std::optional<CurrentOwner> found;
    for (const auto& record : store.readAll()) {
        if (fieldEquals(record.name, record.factor, paddedName) &&
            fieldEquals(record.ownerPass, record.factor, paddedOwnerPass)) {
            found = ownerOf(record);
        }
    }
    return found;
}

std::optional<std::string> lookupHint(const OwnerStore& store, std::string_view paddedName) {
    std::optional<std::string> found;
    for (const auto& record : store.readAll()) {
        if (!fieldEquals(record.name, record.factor, paddedName)) continue;
        // A hint that does not unscramble is shown as far as it goes.
        found = unscrambleFieldPartial(record.hint, record.factor).text;
    }
    return found;
}

fs::path defaultDataFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path folder = exe.parent_path();
        if (::access(folder.c_str(), W_OK) == 0) return folder;
    }
    fs::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::path(home) / ".local" / "share";
    } else {
        base = fs::temp_directory_path();
    }
    const fs::path folder = base / "pixamantler";
    fs::create_directories(folder, ec);
    if (ec) throw Failure(errorNumberFromErrno(ec.value(), folder.string()),
                          "cannot create the data folder " + folder.string());
    return folder;
}

fs::path resolveDataFolder(const fs::path& chosen, bool create) {
    fs::path folder = chosen;
    if (folder.empty()) {
        const char* home = std::getenv("PIXAMANTLER_HOME");
        if (!home || !*home) return defaultDataFolder();
        folder = home;
    }
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        throw Failure(err::PathNotFound, "the data folder " + folder.string() + " is a file");
    }
    if (create) {
        fs::create_directories(folder, ec);
        if (ec) {
            throw Failure(errorNumberFromErrno(ec.value(), folder.string()),
                          "cannot create the data folder " + folder.string());
        }
    }
    return folder;
}

} // namespace pixa
