#include "framework/durable_file.hpp"
#include "framework/durable_file_os.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <utility>

namespace {

namespace fs = std::filesystem;

class Fd {
  public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    [[nodiscard]] int get() const noexcept { return fd_; }
    [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

[[nodiscard]] fs::path directoryOf(const std::string& path) {
    const fs::path parent = fs::path{path}.parent_path();
    return parent.empty() ? fs::path{"."} : parent;
}

// Only names mkostemp could have made: a player's own "save.txt.tmp_copy2" is not ours to remove.
[[nodiscard]] bool isTempName(std::string_view name, std::string_view prefix) noexcept {
    constexpr std::string_view letters =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
           name.find_first_not_of(letters, prefix.size()) == std::string_view::npos;
}

// A temporary file no save holds a lock on was left by a killed game. Only the player's own
// regular files go, and only while the name still means the file that was checked.
void sweepLeftovers(const std::string& target) noexcept {
    try {
        const std::string prefix = fs::path{target}.filename().string() + ".tmp";
        std::error_code ec;
        for (fs::directory_iterator it{directoryOf(target), ec}, end; !ec && it != end;
             it.increment(ec)) {
            const fs::path& name = it->path();
            if (!isTempName(name.filename().string(), prefix)) {
                continue;
            }
            const Fd fd{::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK)};
            struct stat held {};
            struct stat named {};
            if (fd.get() >= 0 && ::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) &&
                held.st_uid == ::geteuid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
                ::lstat(name.c_str(), &named) == 0 && named.st_ino == held.st_ino &&
                named.st_dev == held.st_dev) {
                ::unlink(name.c_str());
            }
        }
    } catch (...) {
        // Leftovers are untidy, not harmful.
    }
}

// mkostemp (two games in one folder never share a file), locked from its first moment until it
// is renamed or removed, so that no other save sweeps it away.
[[nodiscard]] Fd makeLocked(const std::string& path, std::string& name) {
    for (;;) {
        name.replace(name.size() - 6, 6, "XXXXXX");
        Fd fd{::mkostemp(name.data(), O_CLOEXEC)};
        if (fd.get() < 0) {
            throw FileError(path, errno);
        }
        // Where the file system has no locks, no save removes anything either.
        while (::flock(fd.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
        // Another save may have swept it before the lock: take another.
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || st.st_nlink > 0) {
            return Fd{fd.release()};
        }
    }
}

void writeAll(int fd, std::string_view bytes, mode_t mode, const std::string& path) {
    if (::fchmod(fd, mode) != 0) {
        throw FileError(path, errno);
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno != EINTR) {
            throw FileError(path, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    if (::fsync(fd) != 0) {
        throw FileError(path, errno);
    }
}

[[nodiscard]] mode_t defaultMode() noexcept {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

namespace durable_file_os {

// In a sticky folder only the owner of a file or of the folder may replace or remove its name,
// so neither the save nor the undo of its backup could go through.
bool replaceRefused(const std::string& target) {
    struct stat file {};
    struct stat folder {};
    const uid_t me = ::geteuid();
    return me != 0 && ::stat(target.c_str(), &file) == 0 &&
           ::stat(directoryOf(target).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
           file.st_uid != me && folder.st_uid != me;
}

TempFile::TempFile(const std::string& path, const std::string& target, std::string_view bytes,
                   std::optional<fs::perms> mode)
    : target_(target), name_(target + ".tmpXXXXXX") {
    sweepLeftovers(target);
    Fd fd = makeLocked(path, name_);
    try {
        writeAll(fd.get(), bytes, mode ? static_cast<mode_t>(*mode) : defaultMode(), path);
    } catch (...) {
        ::unlink(name_.c_str());
        throw;
    }
    lock_ = fd.release();
}

TempFile::~TempFile() {
    // The name goes before the descriptor, and with it the lock.
    if (!placed_) {
        ::unlink(name_.c_str());
    }
    ::close(lock_);
}

std::error_code TempFile::place() noexcept {
    if (::rename(name_.c_str(), target_.c_str()) != 0) {
        return {errno, std::generic_category()};
    }
    placed_ = true;
    // Makes the rename durable where it can; the new bytes are in place already, so a folder
    // that cannot be opened or synced does not fail the save.
    const Fd folder{::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.get() >= 0) {
        static_cast<void>(::fsync(folder.get()));
    }
    return {};
}

bool readRegular(const std::string& path, std::string& out, std::size_t maxBytes) {
    // O_NONBLOCK: a FIFO put in the file's place since it was looked at must not hang the game.
    const Fd fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0 && errno != EINTR) {
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (out.size() > maxBytes) {
            return false;
        }
    }
}

} // namespace durable_file_os
