#include "core/version.h"

namespace pixa {

// PIXA_VERSION is given to this file alone, so a new version rebuilds one file.
std::string_view programVersion() { return PIXA_VERSION; }

} // namespace pixa
