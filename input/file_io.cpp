// Whole-file reads and atomic writes, with the system's reasons.
#include "input/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string system_error(const std::string &path, const char *what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

} // namespace

bool file_read_limited(const std::string &path, std::size_t max_bytes, const char *what,
                       std::string &text, std::string &error) {
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = system_error(path, "cannot open");
        return false;
    }
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        text.append(chunk, got);
        if (text.size() > max_bytes) {
            std::fclose(file);
            error = path + ": too large to be " + what;
            return false;
        }
    }
    bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) error = system_error(path, "cannot read");
    return !failed;
}

bool file_write_atomic(const std::string &path, const std::string &text, std::string &error) {
    std::string temporary = path + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = system_error(path, "cannot write");
        return false;
    }
    // The target's mode if it exists, else what a new file gets under the umask.
    struct stat existing;
    mode_t mode;
    if (stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += std::size_t(n);
    }
    ok = ok && fsync(fd) == 0;
    int saved = errno;
    ok = close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    if (!ok) errno = saved;
    error = system_error(path, "cannot write");
    unlink(temporary.c_str());
    return false;
}
