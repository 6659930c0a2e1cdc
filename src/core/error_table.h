// The fixed messages that windows show for a failure's error number, in three variants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pixa {

enum class ErrorVariant {
    File,       // commands that open or show pictures
    Help,       // help buttons
    Sequential, // the title drawing: the matching entry, then always the generic line
};

// The messages to show, in order, for a failure with `number` and the platform's `description`.
std::vector<std::string> errorMessages(ErrorVariant variant, int32_t number,
                                       const std::string& description);

} // namespace pixa
