#include "core/error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace pixa {

std::string errorDescription(int32_t number) {
    switch (number) {
    case err::InvalidArgument: return "Invalid procedure call or argument";
    case err::Overflow: return "Overflow";
    case err::OutOfMemory: return "Out of memory";
    case err::TypeMismatch: return "Type mismatch";
    case err::UserInterrupt: return "User interrupt occurred";
    case err::BadFileName: return "Bad file name or number";
    case err::FileNotFound: return "File not found";
    case err::DeviceIO: return "Device I/O error";
    case err::FileExists: return "File already exists";
    case err::DiskFull: return "Disk full";
    case err::InputPastEnd: return "Input past end of file";
    case err::TooManyFiles: return "Too many files";
    case err::DeviceUnavailable: return "Device unavailable";
    case err::PermissionDenied: return "Permission denied";
    case err::DiskNotReady: return "Disk not ready";
    case err::PathFileAccess: return "Path/File access error";
    case err::PathNotFound: return "Path not found";
    case err::InvalidPicture: return "Invalid picture";
    case err::PrinterError: return "Printer error";
    case err::PrinterProperty: return "Printer driver does not support specified property";
    case err::PrinterInfo: return "Problem getting printer information from the system";
    case err::InvalidPictureType: return "Invalid picture type";
    case err::NoMemoryFolder: return "No memory-backed folder for the unwrapped photo";
    case err::NoFonts: return "There are no fonts installed";
    case err::NoPrinterDrivers: return "No printer device drivers were found";
    case err::OutOfMemoryControl: return "Out of memory";
    case err::HelpNotAvailable: return "Unable to start help";
    case err::DialogNoMemory: return "Unable to allocate memory for file name or filter";
    case err::DialogCancelled: return "Cancel was selected";
    default: return "Application-defined or object-defined error";
    }
}

namespace {
std::string joinWhat(const std::string& description, const std::string& detail) {
    return detail.empty() ? description : description + ": " + detail;
}
} // namespace

Failure::Failure(int32_t number, std::string detail)
    : Failure(number, errorDescription(number), std::move(detail)) {}

Failure::Failure(int32_t number, std::string description, std::string detail)
    : std::runtime_error(joinWhat(description, detail)), m_number(number),
      m_description(std::move(description)), m_detail(std::move(detail)) {}

Failure& Failure::refusing(std::string field, size_t position) {
    m_kind = FailureKind::CharacterRefused;
    m_refusedField = std::move(field);
    m_refusedPosition = position;
    return *this;
}

Failure Failure::rephrased(std::string detail) const {
    Failure out(m_number, m_description, std::move(detail));
    out.m_kind = m_kind;
    out.m_refusedField = m_refusedField;
    out.m_refusedPosition = m_refusedPosition;
    return out;
}

void throwIfStopped(const std::stop_token& stop) {
    if (stop.stop_requested()) throw Failure(err::UserInterrupt);
}

int32_t errorNumberFromErrno(int errnoValue, const std::string& path) {
    switch (errnoValue) {
    case ENOENT: {
        if (path.empty()) return err::FileNotFound;
        std::error_code ec;
        const auto parent = std::filesystem::path(path).parent_path();
        if (!parent.empty() && !std::filesystem::is_directory(parent, ec)) return err::PathNotFound;
        return err::FileNotFound;
    }
    case ENOTDIR: return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return err::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return err::DiskFull;
    case EMFILE:
    case ENFILE: return err::TooManyFiles;
    case EIO: return err::DeviceIO;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return err::DeviceUnavailable;
    case ENOMEM: return err::OutOfMemory;
    case EEXIST: return err::FileExists;
    case ENAMETOOLONG: return err::BadFileName;
    default: return err::PathFileAccess;
    }
}

void throwErrno(int errnoValue, const std::string& action, const std::string& path) {
    throw Failure(errorNumberFromErrno(errnoValue, path),
                  "cannot " + action + " " + path + " (" + std::strerror(errnoValue) + ")");
}

} // namespace pixa
