// Measures the peak resident memory of wrapping and then unwrapping one large picture, to show
// that the streaming writer and reader hold a bounded amount whatever the picture's size.
#include "bench_support.h"

#include "core/error.h"
#include "core/file_io.h"
#include "core/pff_file.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace fs = std::filesystem;

namespace {

// The peak resident set of this process so far, in KiB (Linux reports ru_maxrss in KiB).
long peakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Compares two files in small pieces, so that the check itself does not raise the peak.
bool sameBytes(const fs::path& a, const fs::path& b) {
    pixa::InputFile fa(a);
    pixa::InputFile fb(b);
    if (fa.size() != fb.size()) return false;
    std::vector<char> pa(1 << 16), pb(1 << 16);
    for (;;) {
        const size_t na = fa.read(pa.data(), pa.size());
        const size_t nb = fb.read(pb.data(), pb.size());
        if (na != nb || std::memcmp(pa.data(), pb.data(), na) != 0) return false;
        if (na == 0) return true;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Usage: pixa-peak-memory [MiB [limit-MiB]]; 512 and 64 by default.
    const long mib = argc > 1 ? std::atol(argv[1]) : 512;
    const long limitMiB = argc > 2 ? std::atol(argv[2]) : 64;
    if (mib <= 0 || limitMiB <= 0) {
        std::cerr << "usage: pixa-peak-memory [picture-MiB [limit-MiB]]\n";
        return 2;
    }
    try {
        pixa::bench::ScratchFolder scratch;
        const fs::path picture = scratch.path() / "picture.bmp";
        const fs::path wrapped = scratch.path() / "picture.pff";
        const fs::path restored = scratch.path() / "restored.bmp";
        const pixa::CurrentOwner owner = pixa::bench::benchOwner(scratch.path());
        pixa::bench::writePicture(picture, static_cast<uint64_t>(mib) << 20);
        const long before = peakKiB();

        pixa::WrapRequest request;
        request.source = picture;
        request.target = wrapped;
        request.tag = "peak memory";
        request.fileType = ".BMP";
        request.owner = owner;
        uint64_t blocks = 0;
        const pixa::Progress progress = [&](uint64_t block, uint64_t) { blocks = block; };

        auto start = std::chrono::steady_clock::now();
        pixa::encrypt_pff_file(request, progress);
        const double wrapSeconds = secondsSince(start);
        const long afterWrap = peakKiB();

        start = std::chrono::steady_clock::now();
        pixa::PffReader(wrapped).unwrapTo(restored, progress);
        const double unwrapSeconds = secondsSince(start);
        const long afterUnwrap = peakKiB();

        const bool same = sameBytes(picture, restored);
        std::printf("picture:                   %ld MiB (%llu blocks)\n", mib,
                    static_cast<unsigned long long>(blocks));
        std::printf("peak before wrapping:      %.1f MiB\n", before / 1024.0);
        std::printf("peak after wrapping:       %.1f MiB  (wrap took %.2f s)\n", afterWrap / 1024.0,
                    wrapSeconds);
        std::printf("peak after unwrapping:     %.1f MiB  (unwrap took %.2f s)\n",
                    afterUnwrap / 1024.0, unwrapSeconds);
        std::printf("restored byte for byte:    %s\n", same ? "yes" : "NO");
        const bool withinLimit = afterUnwrap <= limitMiB * 1024;
        std::printf("within %ld MiB:             %s\n", limitMiB, withinLimit ? "yes" : "NO");
        return same && withinLimit ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "pixa-peak-memory: " << e.what() << '\n';
        return 1;
    }
}
