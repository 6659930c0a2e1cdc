#include "core/messages.h"

namespace pixa::msg {

std::string corruptFile(std::string_view fullPath) {
    return std::string(fullPath) + " is corrupted.\r\n\r\nDelete this file or move this file to " +
           "another folder so that yo will be able to see the rest of the files.";
}

std::string passwordCompulsory(std::string_view which) {
    return std::string(which) + " is empty: a password is compulsory.";
}

} // namespace pixa::msg
