// Error model shared by the core, the windows and the command-line tool: numbered failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <stop_token>
#include <string>

namespace pixa {

// The run-time error numbers that the windows' message table and the tool's output use.
namespace err {
inline constexpr int32_t InvalidArgument = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t UserInterrupt = 18;
inline constexpr int32_t BadFileName = 52;
inline constexpr int32_t FileNotFound = 53;
inline constexpr int32_t DeviceIO = 57;
inline constexpr int32_t FileExists = 58;
inline constexpr int32_t DiskFull = 61;
inline constexpr int32_t InputPastEnd = 62;
inline constexpr int32_t TooManyFiles = 67;
inline constexpr int32_t DeviceUnavailable = 68;
inline constexpr int32_t PermissionDenied = 70;
inline constexpr int32_t DiskNotReady = 71;
inline constexpr int32_t PathFileAccess = 75;
inline constexpr int32_t PathNotFound = 76;
inline constexpr int32_t InvalidPicture = 481;
inline constexpr int32_t PrinterError = 482;
inline constexpr int32_t PrinterProperty = 483;
inline constexpr int32_t PrinterInfo = 484;
inline constexpr int32_t InvalidPictureType = 485;
// No folder in memory for the unwrapped photo, which is therefore not unwrapped.
inline constexpr int32_t NoMemoryFolder = 1000;
inline constexpr int32_t NoFonts = 24574;
inline constexpr int32_t NoPrinterDrivers = 28664;
inline constexpr int32_t OutOfMemoryControl = 31001;
inline constexpr int32_t HelpNotAvailable = 32751;
inline constexpr int32_t DialogNoMemory = 32752;
inline constexpr int32_t DialogCancelled = 32755;
} // namespace err

// The standard description of an error number ("File not found" for 53); "Application-defined
// or object-defined error" for a number without one.
std::string errorDescription(int32_t number);

// What a failure was about, for callers that act on more than its number.
enum class FailureKind {
    General,
    // The file was read, and what it holds is not a wrapped photo.
    NotWrappedPhoto,
    // One character of a text cannot be stored; refusedField() and refusedPosition() say which.
    CharacterRefused,
    // A rule refused what was typed; detail() is the whole message for people.
    RuleRefused,
};

// A failure: its number, its standard description, and a detail for people (the path, the
// character, what the system said). what() joins description and detail.
class Failure : public std::runtime_error {
public:
    Failure(int32_t number, std::string detail = {});
    Failure(int32_t number, std::string description, std::string detail);

    int32_t number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }
    const std::string& detail() const noexcept { return m_detail; }

    FailureKind kind() const noexcept { return m_kind; }
    Failure& markAs(FailureKind kind) {
        m_kind = kind;
        return *this;
    }
    // Marks the failure as the refusal of the character at 1-based `position` of the text that
    // the core calls `field` ("owner password", "caption"...).
    Failure& refusing(std::string field, size_t position);
    const std::string& refusedField() const noexcept { return m_refusedField; }
    size_t refusedPosition() const noexcept { return m_refusedPosition; }

    // The same failure, kind and refusal with another detail (one that adds where it happened).
    Failure rephrased(std::string detail) const;

private:
    int32_t m_number;
    std::string m_description;
    std::string m_detail;
    FailureKind m_kind = FailureKind::General;
    std::string m_refusedField;
    size_t m_refusedPosition = 0;
};

// Throws "User interrupt occurred" when `stop` has been requested: long work calls it between
// its blocks or files.
void throwIfStopped(const std::stop_token& stop);

// Maps an errno value onto the error numbers above. ENOENT becomes "Path not found" when the
// folder of `path` is missing and "File not found" otherwise.
int32_t errorNumberFromErrno(int errnoValue, const std::string& path = {});

// Throws the Failure for errno value `errnoValue` met while `action` ("open", "write" ...) `path`.
[[noreturn]] void throwErrno(int errnoValue, const std::string& action, const std::string& path);

} // namespace pixa
