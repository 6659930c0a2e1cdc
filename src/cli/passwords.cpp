#include "cli/passwords.h"

#include "cli/cli_error.h"
#include "cli/terminal.h"
#include "cli/text_output.h"
#include "core/error.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pixa {

namespace {

struct PasswordNames {
    const char* environment;
    std::string_view fileOption;
    const char* prompt;
    const char* confirmPrompt;
    const char* what;
};

PasswordNames namesOf(PasswordKind kind) {
    if (kind == PasswordKind::Owner) {
        return {"PIXAMANTLER_OWNER_PASSWORD", "owner-password-file",
                "Owner password: ", "Re-enter owner password: ", "owner password"};
    }
    return {"PIXAMANTLER_VIEWER_PASSWORD", "viewer-password-file",
            "Viewer password: ", "Re-enter viewer password: ", "viewer password"};
}

// The longest first line taken from a password file: generous for a password, small enough that
// a wrong file (a photo) is not read whole.
constexpr size_t kLineLimit = 4096;
// How long a pipe whose writer is still there may stay silent.
constexpr int kSilenceLimitMs = 60'000;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The first line of a password file, without its line end. The file is read as a stream, so a
// pipe, a FIFO, /dev/stdin or a process substitution works as well as a regular file. Opening
// does not block: a FIFO that nobody writes to ends at once, with a message, instead of waiting
// for a writer forever. A stream is read a byte at a time, so that what follows the first line
// stays in it for whoever reads next (both passwords can come through one pipe).
std::string firstLine(const std::string& path, const char* what) {
    const std::string shown = printable(path);
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) throwErrno(errno, "open", path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) throwErrno(errno, "read", path);
    if (S_ISDIR(st.st_mode)) throw Failure(err::PathFileAccess, path + " is a folder, not a file");
    if (isTerminal(fd.get())) {
        throw CliError(kExitFailure, shown + " is a terminal, where the " + what +
                                         " would be shown as it is typed; leave out the option "
                                         "to be asked for it without echo");
    }
    const size_t step = S_ISREG(st.st_mode) ? 512 : 1;
    std::string text;
    bool readAny = false;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, step);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // A writer is there but has not written yet: wait for it, not forever.
            pollfd wait{fd.get(), POLLIN, 0};
            const int ready = ::poll(&wait, 1, kSilenceLimitMs);
            if (ready == 0) {
                throw CliError(kExitFailure, "nothing came from " + shown + " for " +
                                                 std::to_string(kSilenceLimitMs / 1000) +
                                                 " seconds; no " + what + " was read");
            }
            if (ready < 0 && errno != EINTR) throwErrno(errno, "read", path);
            continue;
        }
        if (n < 0) throwErrno(errno, "read", path);
        // The end of the file, or of a pipe whose writers have all gone (or never came).
        if (n == 0) break;
        readAny = true;
        text.append(buffer, static_cast<size_t>(n));
        const auto end = text.find('\n');
        if (end != std::string::npos) {
            text.resize(end);
            break;
        }
        if (text.size() > kLineLimit) break;
    }
    if (!readAny) {
        throw CliError(kExitFailure, shown + " holds no " + what + ": it is empty" +
                                         (S_ISREG(st.st_mode) ? "" : ", or nothing writes to it"));
    }
    if (text.size() > kLineLimit) {
        throw CliError(kExitFailure, "the first line of " + shown + " is longer than " +
                                         std::to_string(kLineLimit) + " bytes: it holds no " +
                                         what);
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

} // namespace

std::string_view passwordFileOption(PasswordKind kind) {
    return namesOf(kind).fileOption;
}

EnteredPassword enterPassword(PasswordKind kind, const CliArguments& args, bool confirm) {
    const PasswordNames names = namesOf(kind);
    if (const auto file = args.value(names.fileOption)) {
        std::string value = firstLine(*file, names.what);
        return {value, value};
    }
    if (const char* value = std::getenv(names.environment)) return {value, value};
    if (!isTerminal(STDIN_FILENO)) {
        throw usageError(std::string("no ") + names.what + " given: set " + names.environment +
                         ", use --" + std::string(names.fileOption) +
                         " FILE, or run on a terminal to type it");
    }
    EnteredPassword entered;
    entered.value = readHiddenLine(names.prompt);
    entered.confirmation = confirm ? readHiddenLine(names.confirmPrompt) : entered.value;
    return entered;
}

} // namespace pixa
