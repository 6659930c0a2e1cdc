#include "core/read_back.h"

#include "core/file_io.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pixa {

namespace fs = std::filesystem;

std::optional<Failure> verifyWrapped(const fs::path& pff, const fs::path& source,
                                     const Progress& progress, std::stop_token stop) {
    const std::string pffName = pff.string();
    const std::string sourceName = source.string();
    try {
        throwIfStopped(stop);
        flushToDisk(pff);
        const PffReader reader(pff);
        InputFile original(source);
        const int64_t pictureSize = std::max<int64_t>(reader.info().pictureSize(), 0);
        if (static_cast<uint64_t>(pictureSize) != original.size()) {
            return Failure(err::DeviceIO,
                           pffName + " holds a picture of " + std::to_string(pictureSize) +
                               " bytes, " + sourceName + " has " + std::to_string(original.size()));
        }
        std::vector<char> expected;
        uint64_t offset = 0;
        std::optional<Failure> differs;
        reader.readPicture(
            [&](const char* bytes, size_t count) {
                expected.resize(std::max(expected.size(), count));
                const size_t got = original.read(expected.data(), count);
                const auto at = std::mismatch(bytes, bytes + got, expected.data()).first;
                if (at == bytes + got && got == count) {
                    offset += count;
                    return true;
                }
                differs =
                    got < count && at == bytes + got
                        ? Failure(err::DeviceIO,
                                  sourceName + " became shorter than " + pffName + "'s picture")
                        : Failure(err::DeviceIO,
                                  pffName + " differs from " + sourceName + " at offset " +
                                      std::to_string(offset + static_cast<uint64_t>(at - bytes)));
                return false;
            },
            progress, stop);
        if (differs) return differs;
        char more = 0;
        if (original.read(&more, 1) != 0) {
            return Failure(err::DeviceIO,
                           sourceName + " became longer than " + pffName + "'s picture");
        }
        return std::nullopt;
    } catch (const Failure& failure) {
        if (failure.number() == err::UserInterrupt) throw;
        return failure;
    }
}

} // namespace pixa
