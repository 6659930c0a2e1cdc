// A library the fault tests preload into the command-line tool: fdatasync() or close() of the
// application's temporary files fails with EIO, as on a failing disk, when PIXA_FAIL_CALL names
// the call. Every other file goes to the real calls.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool failsHere(const char* call, int fd) {
    const char* wanted = std::getenv("PIXA_FAIL_CALL");
    if (!wanted || std::strcmp(wanted, call) != 0) return false;
    char target[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return false;
    const std::string name(target, static_cast<size_t>(n));
    const std::string suffix = ".pixatmp";
    return name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

template <typename Function> Function* real(const char* name) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int fdatasync(int fd) {
    if (failsHere("fdatasync", fd)) {
        errno = EIO;
        return -1;
    }
    return real<int(int)>("fdatasync")(fd);
}

extern "C" int close(int fd) {
    // The descriptor is closed all the same, as the system does when close() reports an error.
    const bool fail = failsHere("close", fd);
    const int result = real<int(int)>("close")(fd);
    if (!fail) return result;
    errno = EIO;
    return -1;
}
