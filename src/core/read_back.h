// Reading a written .pff file back against the picture it was made from, before the picture is
// let go.
#pragma once

#include "core/error.h"
#include "core/pff_file.h"

#include <filesystem>
#include <optional>
#include <stop_token>

namespace pixa {

// Whether the wrapped photo `pff`, read back through PffReader, gives back `source` byte for
// byte. The .pff is flushed to the disk first (flushToDisk()), so that what is compared is what
// stays after a crash, and a write failure reported only by the flush is met. Returns nothing
// when every byte matches. Otherwise returns why not, naming both files: a picture of another
// length or the first byte that differs ("Device I/O error"), or the failure met flushing or
// reading either file. Progress goes to `progress` per block read back; a stop requested through
// `stop` throws "User interrupt occurred".
std::optional<Failure> verifyWrapped(const std::filesystem::path& pff,
                                     const std::filesystem::path& source,
                                     const Progress& progress = {}, std::stop_token stop = {});

} // namespace pixa
