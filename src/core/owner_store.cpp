#include "core/owner_store.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/messages.h"
#include "core/owner_codec.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

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

bool nameMatches(const OwnerRecord& record, std::string_view paddedName) {
    return fieldEquals(record.name, record.factor, paddedName.substr(0, kNameWidth));
}

// Records are read this many at a time (64 KiB).
constexpr size_t kChunkBytes = 819 * kRecordSize;

// Reads the whole records of a store of `size` bytes through `readAt(buffer, count, offset)`, a
// chunk at a time, and hands each chunk to `visit`.
template <typename ReadAt, typename Visit>
void visitChunks(uint64_t size, ReadAt readAt, Visit visit) {
    const uint64_t whole = size / kRecordSize * kRecordSize;
    std::string chunk;
    for (uint64_t offset = 0; offset < whole;) {
        const auto count = static_cast<size_t>(std::min<uint64_t>(kChunkBytes, whole - offset));
        chunk.resize(count);
        readAt(chunk.data(), count, offset);
        visit(std::string_view(chunk));
        offset += count;
    }
}

// The same, record by record.
template <typename ReadAt, typename Visit>
void visitRecords(uint64_t size, ReadAt readAt, Visit visit) {
    visitChunks(size, readAt, [&](std::string_view chunk) {
        for (size_t at = 0; at < chunk.size(); at += kRecordSize)
            visit(OwnerRecord::fromBytes(chunk.substr(at, kRecordSize)));
    });
}

// The store opened and locked for a rewrite. Every registration, the windows' and the tool's,
// holds this lock from its duplicate check to the rename of the new store, so that none of them
// works from a store that another is replacing. A rewrite replaces the file, so a lock won on a
// file that was replaced while waiting is given up and taken again on the new one. The lock ends
// with the process, so a killed registration leaves no stale lock; a stopped one holds it, which
// the others survive by waiting in tries with a time limit (LockWait).
class LockedStore {
public:
    LockedStore(const fs::path& file, const LockWait& wait) : m_path(file.string()) {
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            // Created when missing (an empty store, as a first registration makes it); not
            // blocking, so that a FIFO put there is refused instead of waited on. Opened for
            // writing where it may be, as network file systems lock only such files; a store
            // the user may not write is still locked, and then refused by its rewrite.
            const int flags = O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY;
            m_fd = ::open(m_path.c_str(), O_RDWR | flags, 0600);
            if (m_fd < 0 && (errno == EACCES || errno == EROFS))
                m_fd = ::open(m_path.c_str(), O_RDONLY | flags, 0600);
            if (m_fd < 0) throwErrno(errno, "open", m_path);
            struct stat held {};
            if (::fstat(m_fd, &held) != 0) fail(errno, "read");
            if (!S_ISREG(held.st_mode)) {
                ::close(m_fd);
                m_fd = -1;
                throw Failure(err::PathFileAccess, m_path + " is " + fileKindName(held.st_mode) +
                                                       ", not an owner store");
            }
            waitForLock(wait, start);
            struct stat named {};
            if (::stat(m_path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
                named.st_ino == held.st_ino) {
                if (::fstat(m_fd, &held) != 0) fail(errno, "read");
                m_size = static_cast<uint64_t>(held.st_size);
                return;
            }
            ::close(m_fd);
        }
    }
    ~LockedStore() { ::close(m_fd); }
    LockedStore(const LockedStore&) = delete;
    LockedStore& operator=(const LockedStore&) = delete;

    uint64_t size() const { return m_size; }

    void readAt(char* buffer, size_t count, uint64_t offset) const {
        readExactAt(m_fd, buffer, count, offset, m_path);
    }

    template <typename Visit> void forEach(Visit visit) const {
        visitRecords(
            m_size, [this](char* b, size_t c, uint64_t o) { readAt(b, c, o); }, visit);
    }
    template <typename Visit> void forEachChunk(Visit visit) const {
        visitChunks(
            m_size, [this](char* b, size_t c, uint64_t o) { readAt(b, c, o); }, visit);
    }

private:
    // Takes the lock on m_fd in tries, a few milliseconds apart at first and at most 50 ms.
    void waitForLock(const LockWait& wait, std::chrono::steady_clock::time_point start) {
        using namespace std::chrono;
        auto pause = milliseconds(1);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) fail(errno, "lock");
            const auto waited = duration_cast<milliseconds>(steady_clock::now() - start);
            if (waited >= wait.limit) {
                const auto seconds = duration_cast<duration<double>>(wait.limit).count();
                char shown[32];
                std::snprintf(shown, sizeof shown, "%g", seconds);
                close();
                throw Failure(err::PermissionDenied,
                              "another registration has held " + m_path + " for " + shown +
                                  (seconds == 1 ? " second" : " seconds") + " without finishing");
            }
            if (wait.waiting) wait.waiting(waited);
            if (wait.stop.stop_requested()) {
                close();
                throwIfStopped(wait.stop);
            }
            std::this_thread::sleep_for(std::min<milliseconds>(pause, wait.limit - waited));
            pause = std::min(pause * 2, milliseconds(50));
        }
    }

    void close() noexcept {
        ::close(m_fd);
        m_fd = -1;
    }

    [[noreturn]] void fail(int e, const char* action) {
        ::close(m_fd);
        m_fd = -1;
        throwErrno(e, action, m_path);
    }

    std::string m_path;
    int m_fd = -1;
    uint64_t m_size = 0;
};

// Rewrites the locked store with its whole records and `added` after them.
void rewriteLocked(const LockedStore& locked, const fs::path& file, const std::string& added) {
    AtomicFile out(file, 0600, AtomicFile::Permissions::Exactly);
    locked.forEachChunk([&](std::string_view chunk) { out.write(chunk.data(), chunk.size()); });
    out.write(added);
    out.commit();
}

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    throw Failure(err::PathNotFound, "no home folder is known for this user; set HOME or "
                                     "PIXAMANTLER_HOME");
}

// Whether `gid` is the user's own private group: the user's primary group, named like the user
// and listing nobody else, as systems that give every user a group of their own set it up. Its
// write permission then lets nobody else in.
bool isPrivateGroup(gid_t gid) {
    std::vector<char> userBuffer(16384);
    std::vector<char> groupBuffer(65536);
    passwd user{};
    group grp{};
    passwd* u = nullptr;
    group* g = nullptr;
    if (::getpwuid_r(::geteuid(), &user, userBuffer.data(), userBuffer.size(), &u) != 0 || !u ||
        u->pw_gid != gid)
        return false;
    if (::getgrgid_r(gid, &grp, groupBuffer.data(), groupBuffer.size(), &g) != 0 || !g ||
        std::strcmp(g->gr_name, u->pw_name) != 0)
        return false;
    for (char** member = g->gr_mem; member && *member; ++member) {
        if (std::strcmp(*member, u->pw_name) != 0) return false;
    }
    return true;
}

// Creates the missing folders of `folder`, each private.
void makePrivateFolders(const fs::path& folder) {
    fs::path built;
    for (const auto& part : folder.lexically_normal()) {
        built /= part;
        if (part.empty() || built == built.root_path()) continue;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) {
            const int e = errno;
            throw Failure(errorNumberFromErrno(e, built.string()),
                          "cannot create the data folder " + folder.string() + " (" +
                              std::strerror(e) + ")");
        }
    }
}

} // namespace

std::string OwnerRecord::bytes() const {
    std::string out;
    out.reserve(kRecordSize);
    out.append(name).append(ownerPass).append(viewerPass).append(hint).append(factorText);
    if (out.size() != kRecordSize) {
        throw Failure(err::InvalidArgument,
                      "an owner record must be 80 bytes, not " + std::to_string(out.size()));
    }
    return out;
}

OwnerRecord OwnerRecord::fromBytes(std::string_view record) {
    if (record.size() != kRecordSize) {
        throw Failure(err::InputPastEnd,
                      "an owner record holds " + std::to_string(record.size()) + " bytes, not 80");
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

void OwnerStore::forEachRecord(const std::function<void(const OwnerRecord&)>& visit) const {
    if (!exists()) return;
    InputFile file(m_file);
    visitRecords(
        file.size(),
        [&](char* buffer, size_t count, uint64_t offset) {
            file.readExactAt(buffer, count, offset);
        },
        visit);
}

std::vector<OwnerRecord> OwnerStore::readAll() const {
    std::vector<OwnerRecord> records;
    forEachRecord([&](const OwnerRecord& record) { records.push_back(record); });
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

void OwnerStore::append(const OwnerRecord& record, const LockWait& wait) const {
    const std::string added = record.bytes();
    const fs::path file = followLinks(m_file);
    const LockedStore locked(file, wait);
    rewriteLocked(locked, file, added);
}

bool ownerNameTaken(const std::vector<OwnerRecord>& records, std::string_view paddedName) {
    return std::any_of(records.begin(), records.end(),
                       [&](const OwnerRecord& record) { return nameMatches(record, paddedName); });
}

bool ownerNameTaken(const OwnerStore& store, std::string_view paddedName) {
    bool taken = false;
    store.forEachRecord(
        [&](const OwnerRecord& record) { taken = taken || nameMatches(record, paddedName); });
    return taken;
}

bool blankPassword(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::optional<CurrentOwner> registerOwner(const OwnerStore& store, std::string_view paddedName,
                                          std::string_view paddedOwnerPass,
                                          std::string_view paddedViewerPass,
                                          std::string_view paddedHint, const Clock& clock,
                                          const LockWait& wait) {
    // A first look without the lock, so that a taken name is refused before anything else.
    if (ownerNameTaken(store, paddedName)) return std::nullopt;
    for (const auto& [password, which] : {std::pair{paddedOwnerPass, msg::OwnerPasswordName},
                                          std::pair{paddedViewerPass, msg::ViewerPasswordName}}) {
        if (blankPassword(password)) {
            throw Failure(err::InvalidArgument, msg::passwordCompulsory(which))
                .markAs(FailureKind::RuleRefused);
        }
    }
    requireNoControlCharacter(paddedName, "the owner's name");
    requireNoControlCharacter(paddedOwnerPass, "the owner password");
    requireNoControlCharacter(paddedViewerPass, "the viewer password");
    requireNoControlCharacter(paddedHint, "the password hint");
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

    const fs::path file = followLinks(store.path());
    const LockedStore locked(file, wait);
    // The check that counts: another process may have registered the name since the first look.
    bool taken = false;
    locked.forEach(
        [&](const OwnerRecord& stored) { taken = taken || nameMatches(stored, paddedName); });
    if (taken) return std::nullopt;
    rewriteLocked(locked, file, record.bytes());
    return ownerOf(record);
}

std::optional<CurrentOwner> loginOwner(const OwnerStore& store, std::string_view paddedName,
                                       std::string_view paddedOwnerPass) {
    std::optional<CurrentOwner> found;
    store.forEachRecord([&](const OwnerRecord& record) {
        if (fieldEquals(record.name, record.factor, paddedName) &&
            fieldEquals(record.ownerPass, record.factor, paddedOwnerPass)) {
            found = ownerOf(record);
        }
    });
    return found;
}

std::optional<std::string> lookupHint(const OwnerStore& store, std::string_view paddedName) {
    std::optional<std::string> found;
    store.forEachRecord([&](const OwnerRecord& record) {
        if (!fieldEquals(record.name, record.factor, paddedName)) return;
        // A hint that does not unscramble is shown as far as it goes.
        found = unscrambleFieldPartial(record.hint, record.factor).text;
    });
    return found;
}

fs::path defaultDataFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const fs::path base = xdg && *xdg && fs::path(xdg).is_absolute()
                              ? fs::path(xdg)
                              : homeFolder() / ".local" / "share";
    return base / "pixamantler";
}

fs::path resolveDataFolder(const fs::path& chosen, bool create) {
    fs::path folder = chosen;
    if (folder.empty()) {
        const char* home = std::getenv("PIXAMANTLER_HOME");
        folder = home && *home ? fs::path(home) : defaultDataFolder();
    }
    const std::string shown = folder.string();
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        const int e = errno;
        if (e != ENOENT) throwErrno(e, "use the data folder", shown);
        if (!create) return folder;
        makePrivateFolders(folder);
        if (::stat(folder.c_str(), &st) != 0) throwErrno(errno, "use the data folder", shown);
    }
    if (!S_ISDIR(st.st_mode)) {
        throw Failure(err::PathNotFound, "the data folder " + shown + " is a file");
    }
    if (st.st_uid != ::geteuid()) {
        throw Failure(err::PermissionDenied, "the data folder " + shown +
                                                 " belongs to another user; use a folder of your "
                                                 "own");
    }
    if ((st.st_mode & S_IWOTH) != 0 ||
        ((st.st_mode & S_IWGRP) != 0 && !isPrivateGroup(st.st_gid))) {
        throw Failure(err::PermissionDenied,
                      "the data folder " + shown +
                          " can be written by other users, who could replace its owner store; "
                          "make it private (chmod go-w)");
    }
    return folder;
}

} // namespace pixa
