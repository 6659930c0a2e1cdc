#include "core/version.h"

namespace pixa {

// PIXA_VERSION comes from the build, which takes it from the project's version.
std::string_view programVersion() { return PIXA_VERSION; }

} // namespace pixa
