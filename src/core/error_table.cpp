#include "core/error_table.h"

#include "core/error.h"

#include <optional>

namespace pixa {
namespace {

// Entries common to all three variants.
std::optional<std::string> commonMessage(int32_t number) {
    switch (number) {
    case err::OutOfMemory: return "There is insufficient memory to run the program !";
    case err::FileNotFound: return "Insufficient disk space / selected file does not exist !";
    case err::DiskFull: return "There is insufficient disk space to run the program !";
    case err::TooManyFiles: return "Too many files are open !";
    case err::DeviceUnavailable: return "Device is unavailable";
    case err::DiskNotReady: return "The disk is not ready !";
    case err::PathNotFound: return "Path not found !";
    case err::InvalidPicture:
    case err::InvalidPictureType: return "Selected picture is not a valid .bmp file";
    case err::PrinterInfo: return "Printer device is not setup properly";
    case err::NoFonts: return "There are no fonts available on your system !";
    case err::NoPrinterDrivers: return "No printer devices are available";
    case err::OutOfMemoryControl: return "Insufficient memory !";
    case err::DialogNoMemory: return "Memory is very low to continue !";
    default: return std::nullopt;
    }
}

std::optional<std::string> variantMessage(ErrorVariant variant, int32_t number) {
    if (auto common = commonMessage(number)) return common;
    switch (variant) {
    case ErrorVariant::File:
        if (number == err::PrinterError || number == err::PrinterProperty)
            return "Error printing photo";
        if (number == err::HelpNotAvailable) return "Help is not available";
        return std::nullopt;
    case ErrorVariant::Help:
        if (number == err::DeviceIO) return "There was an internal error reading drive !";
        if (number == err::HelpNotAvailable) return "Help is not available";
        return std::nullopt;
    case ErrorVariant::Sequential:
        if (number == err::DeviceIO) return "There was an internal error reading drive !";
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> errorMessages(ErrorVariant variant, int32_t number,
                                       const std::string& description) {
    std::vector<std::string> out;
    const auto message = variantMessage(variant, number);
    if (variant == ErrorVariant::Sequential) {
        if (message) out.push_back(*message);
        out.push_back("An internal error : " + std::to_string(number) + " has occured");
        return out;
    }
    out.push_back(message ? *message : description);
    return out;
}

} // namespace pixa
