// The owner store owners.inf: 80-byte scrambled owner records, the current owner, and the
// registration, login and hint look-ups that the windows and the command-line tool share.
#pragma once

#include "core/clock.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace pixa {

inline constexpr size_t kRecordSize = 80;
inline constexpr const char* kStoreFileName = "owners.inf";

// One stored owner, fields as stored (scrambled, padded), plus the factor's numeric value.
struct OwnerRecord {
    std::string name;       // 20
    std::string ownerPass;  // 8
    std::string viewerPass; // 8
    std::string hint;       // 40
    std::string factorText; // 4
    int32_t factor = 0;

    std::string bytes() const;
    static OwnerRecord fromBytes(std::string_view record);
};

// The owner who registered or logged in last: the stored, scrambled fields and the factor.
struct CurrentOwner {
    std::string gbl_encr_name;
    std::string gbl_encr_owner_pass;
    std::string gbl_encr_viewer_pass;
    int32_t gbl_mul_fact = 0;

    bool isSet() const { return !gbl_encr_name.empty(); }
    // The plain name, 20 characters with its trailing spaces.
    std::string plainName() const;
};

// How a registration waits for the store's lock while another process holds it: in short
// tries, so that one stalled registration (a process stopped with Ctrl-Z while it holds the
// lock) makes the others give up after `limit` instead of waiting for ever. The wait ends with
// "Permission denied" after the limit, and with "User interrupt occurred" when `stop` is asked.
struct LockWait {
    std::chrono::milliseconds limit = std::chrono::seconds(30);
    // Called between tries with the time waited so far; a window yields to its events here.
    std::function<void(std::chrono::milliseconds waited)> waiting = {};
    std::stop_token stop = {};
};

class OwnerStore {
public:
    explicit OwnerStore(std::filesystem::path file) : m_file(std::move(file)) {}

    const std::filesystem::path& path() const { return m_file; }
    bool exists() const;
    // The store exists and holds at least one whole record.
    bool ownersPresent() const;
    // Calls `visit` with every whole record in order, reading a few hundred at a time, so that
    // memory stays small whatever the store's size. A trailing fragment shorter than a record is
    // ignored.
    void forEachRecord(const std::function<void(const OwnerRecord&)>& visit) const;
    // Every whole record in order, in memory (about three times the store's size).
    std::vector<OwnerRecord> readAll() const;
    // Creates an empty store (mode 0600) when there is none.
    void createIfMissing() const;
    // Appends a record after the whole records, replacing any fragment. All or nothing: the
    // store is rewritten through a temporary file and renamed, so a kill leaves the old store
    // or the new one. The store is locked meanwhile (see registerOwner()). A store that is a
    // symbolic link is rewritten in its target's folder, so the link keeps working.
    void append(const OwnerRecord& record, const LockWait& wait = {}) const;

private:
    std::filesystem::path m_file;
};

// Whether a password is empty or only spaces: it would let anybody in, and is never registered.
bool blankPassword(std::string_view text);

// Registers an owner from the padded texts (code-page bytes) when no stored name unscrambles to
// the name as it would be stored (the first 20 characters of `paddedName`): draws the factor from
// `clock`, appends the record, and returns the new current owner. nullopt when the name is taken;
// nothing is written then. A text with a control character is "Invalid procedure call or
// argument" and writes nothing.
//
// Registrations in several processes at once (windows and tools) each take an exclusive lock on
// the store from the duplicate check to the rewrite, so every registration reported is in the
// store and a name is registered once. A registration that waits for the lock longer than
// `wait` allows writes nothing (see LockWait).
std::optional<CurrentOwner> registerOwner(const OwnerStore& store, std::string_view paddedName,
                                          std::string_view paddedOwnerPass,
                                          std::string_view paddedViewerPass,
                                          std::string_view paddedHint, const Clock& clock,
                                          const LockWait& wait = {});

// True when a stored name unscrambles to the first 20 characters of `paddedName`, the ones a
// registration would store: a name padded past its width (typed with surrounding spaces, or
// padded twice) is taken when its stored form is.
bool ownerNameTaken(const std::vector<OwnerRecord>& records, std::string_view paddedName);
bool ownerNameTaken(const OwnerStore& store, std::string_view paddedName);

// The owner whose name and owner password unscramble to exactly the padded texts; when several
// match, the last one. nullopt when none does or there is no store.
std::optional<CurrentOwner> loginOwner(const OwnerStore& store, std::string_view paddedName,
                                       std::string_view paddedOwnerPass);

// The hint (40 characters, padding included) of the last owner whose name unscrambles to
// exactly `paddedName`; nullopt when none does.
std::optional<std::string> lookupHint(const OwnerStore& store, std::string_view paddedName);

// The per-user data folder: $XDG_DATA_HOME/pixamantler, else ~/.local/share/pixamantler.
std::filesystem::path defaultDataFolder();

// The data folder that the application and the tool use: `chosen` when given, else
// $PIXAMANTLER_HOME when set, else defaultDataFolder(). With `create`, a missing folder is made,
// private (0700). A folder that another user owns or may write (writable by all, or by a group
// other than the user's own private one) is refused ("Permission denied"): whoever can write it
// can replace the owner store.
std::filesystem::path resolveDataFolder(const std::filesystem::path& chosen = {},
                                        bool create = true);

} // namespace pixa
