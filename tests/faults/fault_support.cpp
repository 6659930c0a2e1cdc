// Helpers of the fault tests: folders, child processes with bounded waits, pictures.
#include "fault_support.h"

#include "core/owner_codec.h"
#include "core/owner_store.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace pixafault {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pixafault-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
    // Traversable by others, so that a child running as another user reaches its files.
    fs::permissions(m_path, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
}

TempFolder::~TempFolder() {
    for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
        ::umount2(it->c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::optional<fs::path> TempFolder::mountTmpfs(const std::string& name,
                                               const std::string& options) {
    const fs::path point = m_path / name;
    fs::create_directories(point);
    unsigned long flags = 0;
    std::string data = "mode=0755";
    for (size_t start = 0; start <= options.size();) {
        const size_t comma = std::min(options.find(',', start), options.size());
        const std::string option = options.substr(start, comma - start);
        if (option == "ro")
            flags |= MS_RDONLY;
        else if (!option.empty())
            data += "," + option;
        start = comma + 1;
    }
    if (::mount("pixafault", point.c_str(), "tmpfs", flags, data.c_str()) != 0) return std::nullopt;
    m_mounts.push_back(point);
    return point;
}

const char* cliPath() {
    const char* other = std::getenv("PIXA_FAULT_CLI");
    return other && *other ? other : PIXA_CLI_PATH;
}

pid_t startCli(const Launch& launch, const fs::path& outputFolder) {
    const std::string outPath = (outputFolder / ".cli-stdout").string();
    const std::string errPath = (outputFolder / ".cli-stderr").string();
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        // The tests decide every password and the data folder themselves.
        if (entry.rfind("PIXAMANTLER_", 0) == 0) continue;
        const bool replaced =
            std::any_of(launch.env.begin(), launch.env.end(),
                        [&](const auto& own) { return nameOf(own) == nameOf(entry); });
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), launch.env.begin(), launch.env.end());
    int input[2] = {-1, -1};
    if (launch.input && ::pipe2(input, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    // A child that ends without reading its input must not end this process too.
    ::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args = {cliPath()};
    args.insert(args.end(), launch.args.begin(), launch.args.end());
    // Started from a descriptor opened here, so that a child running as another user starts the
    // tool even when the build lies in a folder that user may not enter (a clone in /root).
    const int program = ::open(cliPath(), O_RDONLY | O_CLOEXEC);
    if (program < 0) throw std::runtime_error(std::string("cannot open ") + cliPath());

    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(program);
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int in = launch.input ? input[0] : ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::setsid(); // no controlling terminal: passwords can never be prompted for
        if (launch.inChild) launch.inChild();
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        ::fexecve(program, argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(program);
    if (launch.input) {
        ::close(input[0]);
        const std::string& text = *launch.input;
        for (size_t done = 0; done < text.size();) {
            const ssize_t n = ::write(input[1], text.data() + done, text.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::close(input[1]);
    }
    return pid;
}

std::optional<int> waitUntil(pid_t pid, std::chrono::microseconds limit, struct rusage* usage) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::microseconds(20);
    for (;;) {
        int status = 0;
        const pid_t done = ::wait4(pid, &status, WNOHANG, usage);
        if (done == pid) return status;
        if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return std::nullopt;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
    }
}

ProcessResult runCli(const Launch& launch, std::chrono::seconds limit) {
    TempFolder outputs;
    const pid_t pid = startCli(launch, outputs.path());
    ProcessResult result;
    struct rusage usage {};
    auto status = waitUntil(pid, limit, &usage);
    if (!status) {
        result.timedOut = true;
        ::kill(pid, SIGKILL);
        status = waitUntil(pid, std::chrono::seconds(10), &usage);
    }
    result.maxResidentKiB = usage.ru_maxrss;
    if (status && WIFEXITED(*status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(*status);
    } else if (status && WIFSIGNALED(*status)) {
        result.signal = WTERMSIG(*status);
    }
    result.out = readFile(outputs / ".cli-stdout");
    result.err = readFile(outputs / ".cli-stderr");
    return result;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::string bytes(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string bitmapBytes(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(out.data() + i, &x, 8);
    }
    for (; i < size; ++i)
        out[i] = static_cast<char>(i * 31 + seed);
    if (size >= 2) out.replace(0, 2, "BM");
    return out;
}

std::string ownerStoreBytes(int count) {
    std::string bytes;
    const pixa::FixedClock clock(8, 7, 6);
    for (int i = 0; i < count; ++i) {
        const auto s = pixa::encrypt_password(pixa::padField("Owner " + std::to_string(i), 20),
                                              pixa::padField("pw", 8), pixa::padField("vw", 8),
                                              pixa::padField("hint", 40), clock);
        const pixa::OwnerRecord record{s.encr_name,
                                       s.encr_owner_pass,
                                       s.encr_viewer_pass,
                                       s.encr_hint,
                                       pixa::formatFactor(s.mul_fact * 11),
                                       s.mul_fact * 11};
        bytes += record.bytes();
    }
    return bytes;
}

std::vector<std::string> temporariesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 8 && name.compare(name.size() - 8, 8, ".pixatmp") == 0)
            names.push_back(name);
    }
    return names;
}

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

bool printableMessage(const std::string& text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\t') || u == 0x7F) return false;
    }
    return true;
}

int killCount(int fallback) {
    if (const char* value = std::getenv("PIXA_FAULT_KILLS"); value && std::atoi(value) > 0)
        return std::atoi(value);
    return fallback;
}

} // namespace pixafault
