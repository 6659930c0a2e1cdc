// Preloaded into the tool by the fault tests: fdatasync() or close() (as PIXA_FAIL_CALL says) of
// the application's temporary files fails with EIO, as on a failing disk.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

bool failsHere(const std::string& call, int fd) {
    const char* wanted = std::getenv("PIXA_FAIL_CALL");
    char target[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = wanted && call == wanted ? ::readlink(link.c_str(), target, 4095) : -1;
    return n > 8 && std::string(target, static_cast<size_t>(n)).ends_with(".pixatmp");
}

int realCall(const char* name, int fd) {
    return reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, name))(fd);
}

} // namespace

extern "C" int fdatasync(int fd) {
    if (!failsHere("fdatasync", fd)) return realCall("fdatasync", fd);
    errno = EIO;
    return -1;
}

// The descriptor is closed all the same, as the system does when close() reports an error.
extern "C" int close(int fd) {
    const bool fail = failsHere("close", fd);
    const int result = realCall("close", fd);
    if (!fail) return result;
    errno = EIO;
    return -1;
}
