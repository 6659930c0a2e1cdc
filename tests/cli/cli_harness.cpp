#include "cli_harness.h"

#include "core/owner_codec.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

extern char** environ;

namespace pixa {

namespace fs = std::filesystem;

namespace {

// The argument and environment arrays of one child, built before fork().
struct ChildArgs {
    std::vector<std::string> argStrings;
    std::vector<std::string> envStrings;
    std::vector<char*> argv;
    std::vector<char*> envp;

    ChildArgs(const std::vector<std::string>& args, const CliEnv& env, const fs::path& dataDir) {
        argStrings.push_back(PIXA_CLI_PATH);
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        for (char** e = environ; *e; ++e) {
            if (std::strncmp(*e, "PIXAMANTLER_", 12) != 0) envStrings.emplace_back(*e);
        }
        envStrings.push_back("PIXAMANTLER_HOME=" + dataDir.string());
        for (const auto& [name, value] : env)
            envStrings.push_back(name + "=" + value);
        for (auto& s : argStrings)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        for (auto& s : envStrings)
            envp.push_back(s.data());
        envp.push_back(nullptr);
    }
};

[[noreturn]] void execTool(const ChildArgs& child, const fs::path& workDir, const fs::path& out,
                           std::optional<long> fileSizeLimit) {
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || ::dup2(outFd, STDOUT_FILENO) < 0 || ::chdir(workDir.c_str()) != 0) {
        ::_exit(126);
    }
    if (fileSizeLimit) {
        const rlimit limit{static_cast<rlim_t>(*fileSizeLimit),
                           static_cast<rlim_t>(*fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execve(PIXA_CLI_PATH, child.argv.data(), child.envp.data());
    ::_exit(127);
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
}

void putLittleEndian(std::string& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Reads the terminal until `transcript` holds `wanted` after `from` (without `wanted`, until the
// child closes it), or ten seconds pass.
bool readUntil(int master, std::string& transcript, size_t from,
               const std::optional<std::string>& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!wanted || transcript.find(*wanted, from) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{master, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) return !wanted;
        transcript.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

} // namespace

void CliTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "pixacli-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    fs::create_directories(m_dir / "work");
    fs::create_directories(m_dir / "data");
    m_dir = m_dir / "work";
}

void CliTest::TearDown() {
    std::error_code ec;
    fs::remove_all(m_dir.parent_path(), ec);
}

CliResult CliTest::run(const std::vector<std::string>& args, const CliEnv& env,
                       std::optional<long> fileSizeLimit) const {
    const fs::path root = m_dir.parent_path();
    const ChildArgs child(args, env, root / "data");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int errFd = ::open((root / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int inFd = ::open("/dev/null", O_RDONLY);
        if (errFd < 0 || inFd < 0 || ::dup2(errFd, STDERR_FILENO) < 0 ||
            ::dup2(inFd, STDIN_FILENO) < 0) {
            ::_exit(126);
        }
        execTool(child, m_dir, root / "stdout", fileSizeLimit);
    }
    CliResult result;
    result.status = waitFor(pid);
    result.out = readFile(root / "stdout");
    result.err = readFile(root / "stderr");
    return result;
}

CliResult
CliTest::runOnTerminal(const std::vector<std::string>& args,
                       const std::vector<std::pair<std::string, std::string>>& replies) const {
    const fs::path root = m_dir.parent_path();
    const ChildArgs child(args, {}, root / "data");
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        ADD_FAILURE() << "no terminal available: " << std::strerror(errno);
        return {};
    }
    if (pid == 0) execTool(child, m_dir, root / "stdout", std::nullopt);
    std::string transcript;
    for (const auto& [prompt, reply] : replies) {
        const size_t from = transcript.size();
        if (!readUntil(master, transcript, from, prompt)) {
            ADD_FAILURE() << "no prompt \"" << prompt << "\" in: " << transcript;
            break;
        }
        const std::string line = reply + "\n";
        EXPECT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    readUntil(master, transcript, 0, std::nullopt);
    ::close(master);
    CliResult result;
    result.status = waitFor(pid);
    result.out = readFile(root / "stdout");
    transcript.erase(std::remove(transcript.begin(), transcript.end(), '\r'), transcript.end());
    result.err = transcript;
    return result;
}

void CliTest::registerOwner(const std::string& name, const std::string& ownerPass,
                            const std::string& viewerPass, const std::string& hint) const {
    const CliResult r =
        run({"register", name, "--hint", hint}, {{"PIXAMANTLER_OWNER_PASSWORD", ownerPass},
                                                 {"PIXAMANTLER_VIEWER_PASSWORD", viewerPass}});
    EXPECT_EQ(r.status, 0) << "registering " << name << ": " << r.err;
}

void CliTest::storeOwner(const std::string& name, const std::string& ownerPass,
                         const std::string& viewerPass, int minute, int second) const {
    const FixedClock clock(10, minute, second);
    const auto owner = pixa::registerOwner(
        OwnerStore(storePath()), padField(name, kNameWidth), padField(ownerPass, kPasswordWidth),
        padField(viewerPass, kPasswordWidth), padField("", kHintWidth), clock);
    EXPECT_TRUE(owner.has_value()) << name;
}

std::vector<std::string> CliTest::names() const {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(m_dir))
        out.push_back(entry.path().filename());
    std::sort(out.begin(), out.end());
    return out;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string bitmapBytes(size_t size) {
    std::string out(std::max<size_t>(size, 54), '\0');
    out[0] = 'B';
    out[1] = 'M';
    putLittleEndian(out, 2, static_cast<uint32_t>(out.size()), 4);
    putLittleEndian(out, 10, 54, 4);
    putLittleEndian(out, 14, 40, 4);
    putLittleEndian(out, 18, 1, 4);                                            // width
    putLittleEndian(out, 22, static_cast<uint32_t>((out.size() - 54) / 4), 4); // height
    putLittleEndian(out, 26, 1, 2);
    putLittleEndian(out, 28, 24, 2);
    uint32_t state = static_cast<uint32_t>(size);
    for (size_t i = 54; i < out.size(); ++i)
        out[i] = static_cast<char>(nextRandom(state));
    return out;
}

std::string jpegBytes(size_t size) {
    std::string out(std::max<size_t>(size, 3), '\0');
    uint32_t state = static_cast<uint32_t>(size) + 7;
    for (auto& c : out)
        c = static_cast<char>(nextRandom(state));
    const std::string head("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    out.replace(0, std::min(head.size(), out.size()), head.substr(0, out.size()));
    return out;
}

std::optional<std::string> jsonValue(const std::string& json, const std::string& key) {
    auto at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return std::nullopt;
    at += key.size() + 4;
    if (json[at] != '"') return json.substr(at, json.find_first_of(",}", at) - at);
    std::string out;
    for (size_t i = at + 1; i < json.size(); ++i) {
        if (json[i] == '"') return out;
        if (json[i] != '\\') {
            out += json[i];
            continue;
        }
        const char e = json[++i];
        const std::string simple = "\"\\/bfnrt";
        const std::string meaning = "\"\\/\b\f\n\r\t";
        if (const auto k = simple.find(e); k != std::string::npos) {
            out += meaning[k];
        } else if (e == 'u' && json.compare(i + 1, 2, "00") == 0) {
            // Enough for the tests' texts: a \u escape below U+0080.
            const unsigned cp = std::stoul(json.substr(i + 1, 4), nullptr, 16);
            if (cp >= 0x80) return std::nullopt;
            out += static_cast<char>(cp);
            i += 4;
        } else {
            return std::nullopt; // not an escape these tests expect
        }
    }
    return std::nullopt; // unterminated
}

} // namespace pixa
