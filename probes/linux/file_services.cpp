// Files on Linux: the executable's folder, the XDG data folder and the log file.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "probes/platform.h"

namespace tessivo::platform {

namespace {

std::string error_text(int error_number) {
    return std::error_code(error_number, std::generic_category()).message();
}

std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    // No usable $HOME (a service, a stripped environment): the password database.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

}  // namespace

std::string executable_folder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<std::size_t>(length));
            const std::size_t slash = path.rfind('/');
            if (slash == std::string::npos) {
                return {};
            }
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// The XDG base directory rule: $XDG_DATA_HOME when it is an absolute path,
// otherwise ~/.local/share.
std::string user_data_folder() {
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home != nullptr && data_home[0] == '/') {
        std::string folder = data_home;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return folder;
    }
    std::string home = home_folder();
    if (home.empty()) {
        return {};
    }
    if (home.back() != '/') {
        home += '/';
    }
    return home + ".local/share";
}

bool make_folder(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (mkdir(path.c_str(), 0755) == 0) {
        return true;
    }
    struct stat info{};
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool folder_is_writable(const std::string& path) {
    std::string probe_name = path;
    if (probe_name.empty()) {
        return false;
    }
    if (probe_name.back() != '/') {
        probe_name += '/';
    }
    probe_name += ".tessivo-write-check-XXXXXX";
    const int fd = mkstemp(probe_name.data());
    if (fd < 0) {
        return false;
    }
    close(fd);
    unlink(probe_name.c_str());
    return true;
}

// O_APPEND puts every write at the current end, after whatever another writer
// added; the handle is the descriptor plus one so that 0 can mean "no file".
int32_t open_log_file(const std::string& path, std::string& error) {
    int fd = -1;
    do {
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = error_text(errno);
        return 0;
    }
    return static_cast<int32_t>(fd) + 1;
}

// write() hands the bytes to the kernel at once; nothing is buffered here.
bool write_log_bytes(int32_t handle, const std::string& bytes, std::string& error) {
    if (handle < 1) {
        error = error_text(EBADF);
        return false;
    }
    const int fd = handle - 1;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = error_text(errno);
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// One fstat (well under a microsecond): cheap enough to ask after every entry.
bool log_file_deleted(int32_t handle) {
    struct stat info{};
    return handle >= 1 && ::fstat(handle - 1, &info) == 0 && info.st_nlink == 0;
}

void close_log_file(int32_t handle) {
    if (handle >= 1) {
        close(handle - 1);
    }
}

}  // namespace tessivo::platform
