// The program's version, as the build and the package carry it: one number for the tool, the
// windows and the .deb.
#pragma once

#include <string_view>

namespace pixa {

// The project's version (CMake's PROJECT_VERSION), such as "0.1.0".
std::string_view programVersion();

} // namespace pixa
