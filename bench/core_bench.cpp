// Throughput of the core: wrapping and unwrapping large pictures, listing the captions of many
// wrapped photos, the field codec, and plain file copies as the yardstick for the first two.
#include "bench_support.h"

#include "core/caption_listing.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/pff_file.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMiB = 1 << 20;
constexpr int kCaptionFileCount = 5000;
constexpr off_t kCaptionFileSize = 2 * kMiB;

// Everything the benchmarks share, made on first use and removed when the program ends.
struct Workspace {
    pixa::bench::ScratchFolder scratch;
    pixa::CurrentOwner owner = pixa::bench::benchOwner(scratch.path());
    pixa::FixedClock clock{9, 30, 0};
    std::map<int64_t, fs::path> pictures;
    std::map<int64_t, fs::path> wrapped;
    fs::path captionFolder;

    fs::path picture(int64_t size) {
        auto& path = pictures[size];
        if (path.empty()) {
            path = scratch.path() / ("picture-" + std::to_string(size) + ".bmp");
            pixa::bench::writePicture(path, static_cast<uint64_t>(size));
        }
        return path;
    }

    fs::path wrappedPicture(int64_t size) {
        auto& path = wrapped[size];
        if (path.empty()) {
            path = scratch.path() / ("picture-" + std::to_string(size) + ".pff");
            pixa::encrypt_pff_file(request(picture(size), path, "benchmark picture"));
        }
        return path;
    }

    pixa::WrapRequest request(fs::path source, fs::path target, std::string tag) const {
        pixa::WrapRequest r;
        r.source = std::move(source);
        r.target = std::move(target);
        r.tag = std::move(tag);
        r.fileType = ".BMP";
        r.owner = owner;
        r.clock = &clock;
        return r;
    }

    // A folder of 5,000 wrapped photos, each with its own caption and photo-sized (2 MiB), so
    // that the tag and the trailer lie far apart as they do in real files. One picture is
    // wrapped; each file is that wrap with another caption scrambled into the tag field and its
    // body left as a hole before the trailer: a valid wrapped photo (of a picture whose middle is
    // zeros) that takes no disk space, made without 5,000 flushes to the disk.
    const fs::path& captions() {
        if (!captionFolder.empty()) return captionFolder;
        captionFolder = scratch.path() / "captions";
        fs::create_directory(captionFolder);
        const fs::path source = picture(4096);
        const fs::path model = scratch.path() / "model.pff";
        pixa::encrypt_pff_file(request(source, model, "model"));
        std::string bytes(fs::file_size(model), '\0');
        std::ifstream(model, std::ios::binary).read(bytes.data(), std::streamsize(bytes.size()));
        const std::string trailer = bytes.substr(bytes.size() - pixa::kTrailerSize);
        std::string head = bytes.substr(0, bytes.size() - pixa::kTrailerSize);
        for (int i = 0; i < kCaptionFileCount; ++i) {
            std::string caption = "Holiday photo number " + std::to_string(i);
            caption.resize(pixa::kTagSize, ' ');
            head.replace(pixa::kTagOffset, pixa::kTagSize,
                         pixa::encrypt_tag(caption, owner.gbl_mul_fact));
            const fs::path file = captionFolder / ("photo-" + std::to_string(i) + ".pff");
            const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            const bool written =
                fd >= 0 && ::pwrite(fd, head.data(), head.size(), 0) == ssize_t(head.size()) &&
                ::pwrite(fd, trailer.data(), trailer.size(), kCaptionFileSize - trailer.size()) ==
                    ssize_t(trailer.size());
            if (fd >= 0) ::close(fd);
            if (!written) throw std::runtime_error("cannot write " + file.string());
        }
        return captionFolder;
    }
};

std::unique_ptr<Workspace> g_workspace;

Workspace& workspace() {
    if (!g_workspace) g_workspace = std::make_unique<Workspace>();
    return *g_workspace;
}

void wrapPicture(benchmark::State& state) {
    auto& w = workspace();
    const int64_t size = state.range(0) * kMiB;
    const auto request = w.request(w.picture(size), w.scratch.path() / "wrap-out.pff", "a caption");
    const bool withProgress = state.range(1) != 0;
    uint64_t lastBlock = 0;
    const pixa::Progress progress = [&](uint64_t block, uint64_t) { lastBlock = block; };
    for (auto _ : state) {
        // Each run makes a new file, like cp below: replacing the last run's file would add the
        // freeing of its pages to the time.
        state.PauseTiming();
        fs::remove(request.target);
        state.ResumeTiming();
        pixa::encrypt_pff_file(request, withProgress ? progress : pixa::Progress{});
    }
    benchmark::DoNotOptimize(lastBlock);
    state.SetBytesProcessed(state.iterations() * size);
}
// Real time, not CPU time: most of the work is the kernel's copying and the flush to the disk.
BENCHMARK(wrapPicture)
    ->ArgNames({"MiB", "progress"})
    ->Args({64, 0})
    ->Args({64, 1})
    ->Args({256, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void unwrapPicture(benchmark::State& state) {
    auto& w = workspace();
    const int64_t size = state.range(0) * kMiB;
    const fs::path wrapped = w.wrappedPicture(size);
    const fs::path target = w.scratch.path() / "unwrap-out.bmp";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
        const pixa::PffReader reader(wrapped);
        reader.unwrapTo(target);
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(unwrapPicture)
    ->ArgName("MiB")
    ->Arg(64)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The yardsticks: what `cp` does on this system (an in-kernel copy), a plain read-and-write
// loop through user space like the wrapper's, and that loop followed by the flush the wrapper
// makes before it renames. Each writes a new file, as cp and the wrapper do.
enum class CopyKind { Kernel, ReadWrite, ReadWriteFlush };

void copyFile(const fs::path& from, const fs::path& to, CopyKind kind) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (in < 0 || out < 0) throw std::runtime_error("cannot open the copy's files");
    if (kind == CopyKind::Kernel) {
        while (::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0) > 0) {
        }
    } else {
        std::vector<char> buffer(pixa::kBlockSize * 1024);
        ssize_t n = 0;
        while ((n = ::read(in, buffer.data(), buffer.size())) > 0) {
            if (::write(out, buffer.data(), static_cast<size_t>(n)) != n) {
                throw std::runtime_error("short write");
            }
        }
        if (kind == CopyKind::ReadWriteFlush) ::fdatasync(out);
    }
    ::close(in);
    ::close(out);
}

void copyPicture(benchmark::State& state) {
    auto& w = workspace();
    const int64_t size = state.range(0) * kMiB;
    const auto kind = static_cast<CopyKind>(state.range(1));
    const fs::path source = w.picture(size);
    const fs::path target = w.scratch.path() / "copy-out.bmp";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
        copyFile(source, target, kind);
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(copyPicture)
    ->ArgNames({"MiB", "kind"}) // kind 0: in-kernel copy, 1: read/write, 2: read/write + flush
    ->Args({256, 0})
    ->Args({256, 1})
    ->Args({256, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Drops the files' bytes from the page cache, as after a restart or when other work has pushed
// them out; the folder and the files' details stay cached.
void evict(const std::vector<fs::path>& files) {
    for (const auto& file : files) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// The search listing: every .pff file of a folder and its caption. With "cold" the files' bytes
// are not in memory at the start; with "ahead" the listing asks for each file's caption bytes
// that many files before it reads them.
void listCaptions(benchmark::State& state) {
    const fs::path folder = workspace().captions();
    const bool cold = state.range(0) != 0;
    const size_t ahead = static_cast<size_t>(state.range(1));
    size_t characters = 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            evict(pixa::listPffFiles(folder));
            state.ResumeTiming();
        }
        const auto files = pixa::listPffFiles(folder);
        for (size_t i = 0; i < std::min(ahead, files.size()); ++i)
            pixa::prefetchCaption(files[i]);
        for (size_t i = 0; i < files.size(); ++i) {
            if (ahead > 0 && i + ahead < files.size()) pixa::prefetchCaption(files[i + ahead]);
            characters += pixa::readCaption(files[i]).caption.size();
        }
        if (files.size() != kCaptionFileCount) state.SkipWithError("files missing from the folder");
    }
    benchmark::DoNotOptimize(characters);
    state.SetItemsProcessed(state.iterations() * kCaptionFileCount);
}
BENCHMARK(listCaptions)
    ->ArgNames({"cold", "ahead"})
    ->Args({0, 0})
    ->Args({0, 32})
    ->Args({1, 0})
    ->Args({1, 32})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same listing as the search window and the tool run it: the core's folder listing, which
// reads 32 files ahead and tells each file's outcome apart.
void readFolderCaptions(benchmark::State& state) {
    const fs::path folder = workspace().captions();
    const bool cold = state.range(0) != 0;
    size_t characters = 0;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            evict(pixa::listPffFiles(folder));
            state.ResumeTiming();
        }
        size_t read = 0;
        pixa::readFolderCaptions(folder, false, [&](const pixa::CaptionEntry& entry) {
            characters += entry.caption.caption.size();
            read += entry.status == pixa::CaptionStatus::Read;
        });
        if (read != kCaptionFileCount) state.SkipWithError("files missing from the listing");
    }
    benchmark::DoNotOptimize(characters);
    state.SetItemsProcessed(state.iterations() * kCaptionFileCount);
}
BENCHMARK(readFolderCaptions)
    ->ArgName("cold")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void scrambleTag(benchmark::State& state) {
    const std::string plain = "Our garden in the spring, with the old apple tree in bloom      ";
    const int32_t factor = 47 * 11;
    for (auto _ : state)
        benchmark::DoNotOptimize(pixa::scrambleField(plain, factor));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(plain.size()));
}
BENCHMARK(scrambleTag);

void unscrambleTag(benchmark::State& state) {
    const int32_t factor = 47 * 11;
    const std::string scrambled = pixa::scrambleField(
        "Our garden in the spring, with the old apple tree in bloom      ", factor);
    for (auto _ : state)
        benchmark::DoNotOptimize(pixa::decrypt_tag(scrambled, factor));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(scrambled.size()));
}
BENCHMARK(unscrambleTag);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_workspace.reset(); // removes the scratch folder and its large files
    return 0;
}
