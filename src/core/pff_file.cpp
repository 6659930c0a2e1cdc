#include "core/pff_file.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/owner_codec.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace pixa {

namespace fs = std::filesystem;

namespace {

// Blocks moved per read or write: about 1 MiB, a whole number of blocks.
constexpr size_t kBlocksPerChunk = 1024;
constexpr size_t kChunkSize = kBlocksPerChunk * kBlockSize;
constexpr size_t kHalf = kBlockSize / 2;

std::string fitted(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

// The file-name field: the target's name, each character that has no code-page byte or cannot
// be scrambled stored as a scrambled "?", then padded with plain spaces.
std::string fileNameField(const fs::path& target, int32_t factor) {
    const std::string name = toCodePageLossy(target.filename().string());
    std::string out;
    for (const char c : name.substr(0, kFileNameFieldSize)) {
        try {
            out += scrambleField(std::string_view(&c, 1), factor);
        } catch (const Failure&) {
            out += scrambleField("?", factor);
        }
    }
    return fitted(std::move(out), kFileNameFieldSize);
}

// Reverses and complements: the stored form of a plain trailer, and, being its own inverse, the
// plain form of a stored one (or of any stretch of it, read from the other end).
std::string storedTrailer(const std::string& plain) {
    std::string stored(plain.rbegin(), plain.rend());
    for (char& c : stored)
        c = static_cast<char>(255 - static_cast<unsigned char>(c));
    return stored;
}

void interleave(const char* in, char* out, size_t blocks) {
    for (size_t b = 0; b < blocks; ++b, in += kBlockSize, out += kBlockSize) {
        for (size_t i = 0; i < kHalf; ++i) {
            out[2 * i] = in[i];
            out[2 * i + 1] = in[kHalf + i];
        }
    }
}

void deinterleave(const char* in, char* out, size_t blocks) {
    for (size_t b = 0; b < blocks; ++b, in += kBlockSize, out += kBlockSize) {
        for (size_t i = 0; i < kHalf; ++i) {
            out[i] = in[2 * i];
            out[kHalf + i] = in[2 * i + 1];
        }
    }
}

// Reports each block of a chunk and stops between them when asked; nothing of the chunk has
// been written yet, so a stop discards it with the rest.
void report(const Progress& progress, const std::stop_token& stop, uint64_t firstBlock,
            size_t blocks, uint64_t& count) {
    throwIfStopped(stop);
    if (!progress) return;
    for (size_t i = 0; i < blocks; ++i) {
        const uint64_t block = firstBlock + i;
        count = std::max(count, block);
        progress(block, count);
        throwIfStopped(stop);
    }
}

// The file type, date and time of a whole header, unscrambled with info.file_mul_fact into
// `info`; throws InvalidArgument for a code without a character.
void unscrambleTypeDateTime(std::string_view header, PffInfo& info) {
    // The writer pads a short type with plain spaces after scrambling it, so trailing spaces are
    // that padding, not scrambled characters: only a control character, which no type holds,
    // would scramble to a space.
    const std::string_view storedType = header.substr(kFileTypeOffset, kFileTypeSize);
    const auto typeEnd = storedType.find_last_not_of(' ');
    info.fileType = fitted(
        decrypt_file_type(storedType.substr(0, typeEnd == std::string_view::npos ? 0 : typeEnd + 1),
                          info.file_mul_fact),
        kFileTypeSize);
    info.date = decrypt_date(header.substr(344, 8), info.file_mul_fact);
    info.time = decrypt_time(header.substr(352, 11), info.file_mul_fact);
}

} // namespace

std::string scrambledTag(std::string_view tag, int32_t factor) {
    if (tag.size() > kTagSize) {
        throw Failure(err::InvalidArgument, "the caption holds " + std::to_string(tag.size()) +
                                                " characters; at most 64 can be stored");
    }
    requireNoControlCharacter(tag, "the caption");
    try {
        return encrypt_tag(fitted(std::string(tag), kTagSize), factor);
    } catch (const Failure& f) {
        throw f.rephrased("in the caption, " + f.detail()).refusing("caption", f.refusedPosition());
    }
}

std::string tagFromPath(std::string_view pathBytes) {
    if (pathBytes.size() <= kTagSize) return std::string(pathBytes);
    return "..." + std::string(pathBytes.substr(pathBytes.size() - (kTagSize - 3)));
}

std::string buildPreamble(std::string_view plainName) {
    std::string out = "PFF FILE. This is a password protected photo. The owner is ";
    out += fitted(std::string(plainName), kNameWidth);
    out += ". ";
    out += "You require viewer's password to view this photo. To view the photo you require "
           "PIXAMANTLER software. ";
    out += "If you do not have it, you may download a trial copy from ";
    out += "https://www.example.com/trial";
    out += " now.";
    out += '\x1A';
    return out;
}

std::string dateText(const std::tm& when) {
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%m/%d/%y", &when);
    return buffer;
}

std::string timeText(const std::tm& when) {
    char buffer[32];
    const int hour12 = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d %s", hour12, when.tm_min, when.tm_sec,
                  when.tm_hour < 12 ? "AM" : "PM");
    return buffer;
}

void encrypt_pff_file(const WrapRequest& request, const Progress& progress, std::stop_token stop) {
    throwIfStopped(stop);
    const CurrentOwner& owner = request.owner;
    const int32_t factor = owner.gbl_mul_fact;
    const std::string factorText = formatFactor(factor);
    if (factorText.size() != 4 || owner.gbl_encr_name.size() != kNameWidth ||
        owner.gbl_encr_owner_pass.size() != kPasswordWidth ||
        owner.gbl_encr_viewer_pass.size() != kPasswordWidth) {
        throw Failure(err::InvalidArgument,
                      "no owner is logged in, or the owner's record is damaged");
    }
    const std::string tag = scrambledTag(request.tag, factor);
    requireNoControlCharacter(request.fileType, "the file type");
    const std::string plainName = owner.plainName();
    std::string fileType;
    try {
        fileType = fitted(encrypt_file_type(request.fileType, factor), 4);
    } catch (const Failure& f) {
        throw f.rephrased("in the file type, " + f.detail())
            .refusing("file type", f.refusedPosition());
    }
    SystemClock systemClock;
    const std::tm now =
        (request.clock ? *request.clock : static_cast<const Clock&>(systemClock)).localNow();
    const std::string date = encrypt_date(fitted(dateText(now), 8), factor);
    const std::string time = encrypt_time(fitted(timeText(now), 11), factor);

    InputFile source(request.source);
    std::string head(kPictureHeadSize, '\0');
    if (source.read(head.data(), head.size()) != head.size()) {
        throw Failure(err::InputPastEnd,
                      request.source.string() + " is shorter than 48 bytes: not a picture");
    }
    const std::string plainTrailer = head + owner.gbl_encr_name + owner.gbl_encr_owner_pass +
                                     owner.gbl_encr_viewer_pass +
                                     fileNameField(request.target, factor) + factorText;

    AtomicFile out(request.target);
    out.write(buildPreamble(plainName) + tag + fileType + date + time);

    uint64_t count = pictureBlocks(static_cast<int64_t>(source.size()));
    uint64_t block = 1;
    std::vector<char> in(kChunkSize);
    std::vector<char> mixed(kChunkSize);
    for (;;) {
        const size_t got = source.read(in.data(), in.size());
        const size_t blocks = got / kBlockSize;
        interleave(in.data(), mixed.data(), blocks);
        report(progress, stop, block, blocks, count);
        block += blocks;
        const size_t rest = got - blocks * kBlockSize;
        std::copy_n(in.data() + blocks * kBlockSize, rest, mixed.data() + blocks * kBlockSize);
        out.write(mixed.data(), got);
        if (got < in.size()) break;
    }
    out.write(storedTrailer(plainTrailer));
    out.commit();
}

std::string PffInfo::ownerName() const {
    return decrypt_name(file_owner_name, file_mul_fact);
}

bool PffInfo::viewerPasswordMatches(std::string_view paddedTyped) const {
    return decrypt_password(file_viewer_pass, file_mul_fact) == paddedTyped;
}

PffReader::PffReader(fs::path file) : m_file(std::move(file)) {
    InputFile in(m_file);
    std::string header(kHeaderSize, '\0');
    in.readExactAt(header.data(), header.size(), 0);
    std::string stored(kTrailerSize, '\0');
    in.readExactAt(stored.data(), stored.size(), in.size() - kTrailerSize);
    const std::string trailer = storedTrailer(stored);

    PffInfo& i = m_info;
    i.fileSize = in.size();
    i.pictureHead = trailer.substr(0, 48);
    i.file_owner_name = trailer.substr(48, 20);
    i.file_owner_pass = trailer.substr(68, 8);
    i.file_viewer_pass = trailer.substr(76, 8);
    i.fileNameField = trailer.substr(84, kFileNameFieldSize);
    i.factorText = trailer.substr(339, 4);
    i.file_mul_fact = parseWholeNumber(i.factorText);
    unscrambleTypeDateTime(header, i);
    auto tag = decrypt_tag(std::string_view(header).substr(kTagOffset, kTagSize), i.file_mul_fact);
    i.tag = std::move(tag.text);
    i.tagComplete = tag.complete;
}

void PffReader::unwrapTo(const fs::path& target, const Progress& progress, mode_t mode,
                         std::stop_token stop) const {
    // Made once the file has proved to hold a picture, so that a refused file creates nothing.
    std::optional<AtomicFile> out;
    readPicture(
        [&](const char* bytes, size_t count) {
            if (!out) out.emplace(target, mode, AtomicFile::Permissions::Exactly);
            out->write(bytes, count);
            return true;
        },
        progress, stop);
    out->commit();
}

bool PffReader::readPicture(const PictureSink& sink, const Progress& progress,
                            std::stop_token stop) const {
    throwIfStopped(stop);
    const int64_t pictureSize = m_info.pictureSize();
    if (pictureSize < static_cast<int64_t>(kPictureHeadSize)) {
        throw Failure(err::InputPastEnd, m_file.string() + " is too short to hold a picture");
    }
    InputFile in(m_file);
    if (in.size() != m_info.fileSize) {
        throw Failure(err::InputPastEnd, m_file.string() + " changed while it was being read");
    }
    in.seek(kHeaderSize);
    if (!sink(m_info.pictureHead.data(), m_info.pictureHead.size())) return false;

    uint64_t remaining = static_cast<uint64_t>(pictureSize) - kPictureHeadSize;
    uint64_t count = pictureBlocks(pictureSize);
    uint64_t block = 1;
    // Buffers no larger than the body: unwrapping a small picture should not cost megabytes.
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(remaining, kChunkSize));
    std::vector<char> mixed(chunk);
    std::vector<char> plain(chunk);
    while (remaining > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, kChunkSize));
        if (in.read(mixed.data(), want) != want) {
            throw Failure(err::InputPastEnd, m_file.string() + " ends too early");
        }
        const size_t blocks = want / kBlockSize;
        deinterleave(mixed.data(), plain.data(), blocks);
        report(progress, stop, block, blocks, count);
        block += blocks;
        std::copy_n(mixed.data() + blocks * kBlockSize, want - blocks * kBlockSize,
                    plain.data() + blocks * kBlockSize);
        if (!sink(plain.data(), want)) return false;
        remaining -= want;
    }
    return true;
}

CaptionResult readCaption(const fs::path& file) {
    InputFile in(file);
    if (in.size() < kTrailerSize || in.size() < kTagOffset + kTagSize) {
        throw Failure(err::InputPastEnd, file.string() + " is too short to be a wrapped photo")
            .markAs(FailureKind::NotWrappedPhoto);
    }
    // The tag and the trailer lie at opposite ends of the file: when they are not cached, start
    // reading the trailer before waiting for the tag, so that a listing of many files not read
    // before waits for one disk read per file instead of two.
    in.prefetch(in.size() - kTrailerSize, 4);
    // The tag with the type, date and time after it, as far as the file holds them.
    const size_t fieldsSize =
        std::min<uint64_t>(in.size(), kHeaderSize) - static_cast<uint64_t>(kTagOffset);
    std::string fields(fieldsSize, '\0');
    in.readExactAt(fields.data(), fields.size(), kTagOffset);
    const std::string_view tag = std::string_view(fields).substr(0, kTagSize);
    // The stored trailer starts with the factor, reversed and complemented like the rest of it.
    std::string factor(4, '\0');
    in.readExactAt(factor.data(), factor.size(), in.size() - kTrailerSize);
    CaptionResult result;
    try {
        result.file_mul_fact = parseWholeNumber(storedTrailer(factor));
    } catch (const Failure& f) {
        throw f.rephrased("in " + file.string() + ", " + f.detail())
            .markAs(FailureKind::NotWrappedPhoto);
    }
    auto caption = decrypt_tag(tag, result.file_mul_fact);
    result.caption = std::move(caption.text);
    result.complete = caption.complete;
    // What the full reader would refuse, found with the same steps and in the same order.
    try {
        if (fields.size() < kHeaderSize - kTagOffset)
            throw Failure(err::InputPastEnd, file.string() + " ends too early");
        PffInfo info;
        info.file_mul_fact = result.file_mul_fact;
        unscrambleTypeDateTime(std::string(kTagOffset, ' ') + fields, info);
        if (in.size() < kMinimumPffSize)
            throw Failure(err::InputPastEnd, file.string() + " is too short to hold a picture");
    } catch (const Failure& f) {
        result.refusal = f.number() == err::InvalidArgument
                             ? f.rephrased("in " + file.string() + ", " + f.detail())
                             : f;
    }
    return result;
}

} // namespace pixa
