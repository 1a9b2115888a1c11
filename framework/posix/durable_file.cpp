// The save on a POSIX system, which keeps more than durable_file.hpp promises: the new bytes and
// the rename reach the disk before a save returns (fsync); temporary files are locked while a save
// holds them, and those a killed save left (the player's own regular files with names a save
// makes) are removed by the next; files are made close-on-exec; and a FIFO or device swapped in is
// never opened for reading long enough to block.
#include "framework/durable_file_os.hpp"
#include "framework/posix/fd.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <utility>

namespace Framework {

namespace {

namespace fs = std::filesystem;

[[nodiscard]] std::error_code lastError() noexcept {
    return {errno, std::generic_category()};
}

[[nodiscard]] fs::path directoryOf(const std::string& path) {
    const fs::path parent = fs::path{path}.parent_path();
    return parent.empty() ? fs::path{"."} : parent;
}

// A temporary file no save holds a lock on was left by a killed game. Only the player's own
// regular files go, looked at before they are opened, and only while the name still means the
// file that was checked.
void sweepLeftovers(const std::string& target) noexcept {
    try {
        std::error_code ec;
        for (fs::directory_iterator it{directoryOf(target), ec}, end; !ec && it != end;
             it.increment(ec)) {
            const fs::path& name = it->path();
            struct stat named {};
            if (!Os::isTempName(name.filename().string(), target) ||
                ::lstat(name.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
                named.st_uid != ::geteuid()) {
                continue;
            }
            const Fd fd{::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK)};
            struct stat held {};
            struct stat still {};
            if (fd.get() >= 0 && ::fstat(fd.get(), &held) == 0 && held.st_ino == named.st_ino &&
                held.st_dev == named.st_dev && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
                ::lstat(name.c_str(), &still) == 0 && still.st_ino == held.st_ino &&
                still.st_dev == held.st_dev) {
                ::unlink(name.c_str());
            }
        }
    } catch (...) {
        // Leftovers are untidy, not harmful.
    }
}

// A fresh name (two games in one folder never share a file), locked from its first moment until
// it is renamed or removed, so that no other save sweeps it away.
[[nodiscard]] std::error_code createLocked(const std::string& target, std::string& name, Fd& fd) {
    for (;;) {
        name = Os::tempName(target);
        fd = Fd{::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
        if (fd.get() < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return lastError();
        }
        // Where the file system has no locks, no save removes anything either.
        while (::flock(fd.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
        // Another save may have swept it before the lock: take another.
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || st.st_nlink > 0) {
            return {};
        }
    }
}

// A write that takes nothing would never end: it counts as a full disk, as it does for cp.
[[nodiscard]] std::error_code writeAll(int fd, std::string_view bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno != EINTR) {
            return lastError();
        }
        if (n == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    return {};
}

// The regular file at `path`, opened to read. O_NONBLOCK: a FIFO put in the file's place since it
// was looked at must not hang the game.
[[nodiscard]] std::error_code openRegular(const std::string& path, Fd& fd, struct stat& st) {
    fd = Fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        return lastError();
    }
    return S_ISREG(st.st_mode) ? std::error_code{}
                               : std::make_error_code(std::errc::invalid_argument);
}

// Hands `take` the file's bytes a chunk at a time, up to its end or the first error either finds.
template <class Take>
[[nodiscard]] std::error_code eachChunk(int fd, Take take) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return {};
        }
        if (n < 0 && errno != EINTR) {
            return lastError();
        }
        if (n > 0) {
            if (const std::error_code ec =
                    take(std::string_view{buffer, static_cast<std::size_t>(n)})) {
                return ec;
            }
        }
    }
}

// Taken before main, while the process has one thread; changing it to read it (umask) would let
// a file another thread makes in that instant be open to all.
const mode_t maskAtStart = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}();

// The mask as it is now, read without changing it, where the system shows it.
[[nodiscard]] mode_t defaultMode() noexcept {
    try {
        std::ifstream status{"/proc/self/status"};
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("Umask:")) {
                return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            }
        }
    } catch (...) {
        // an unreadable line: the mask at start
    }
    return 0666 & ~maskAtStart;
}

} // namespace

namespace Os {

struct Temp {
    std::string name;
    Fd fd; // holds the lock
    bool placed = false;
};

void TempRemover::operator()(Temp* temp) const noexcept {
    // The name goes before the descriptor, and with it the lock.
    if (!temp->placed) {
        ::unlink(temp->name.c_str());
    }
    delete temp;
}

std::error_code writeTemp(const std::string& target, std::string_view bytes,
                          std::optional<fs::perms> mode, TempFile& temp) {
    sweepLeftovers(target);
    temp.reset(new Temp);
    if (const std::error_code ec = createLocked(target, temp->name, temp->fd)) {
        temp->placed = true; // nothing of ours at that name
        return ec;
    }
    const int fd = temp->fd.get();
    if (::fchmod(fd, mode ? static_cast<mode_t>(*mode) : defaultMode()) != 0) {
        return lastError();
    }
    if (const std::error_code ec = writeAll(fd, bytes)) {
        return ec;
    }
    return ::fsync(fd) == 0 ? std::error_code{} : lastError();
}

std::error_code place(Temp& temp, const std::string& target) noexcept {
    if (::rename(temp.name.c_str(), target.c_str()) != 0) {
        return lastError();
    }
    temp.placed = true;
    // Makes the rename durable where it can; the new bytes are in place already, so a folder
    // that cannot be opened or synced does not fail the save.
    try {
        const Fd folder{::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (folder.get() >= 0) {
            static_cast<void>(::fsync(folder.get()));
        }
    } catch (...) {
        // no memory for the folder's name
    }
    return {};
}

// In a sticky folder only the owner of a file or of the folder may replace or remove its name,
// so neither the save nor the undo of its backup could go through.
std::error_code checkReplaceable(const std::string& target) {
    struct stat file {};
    struct stat folder {};
    const uid_t me = ::geteuid();
    const bool refused = me != 0 && ::stat(target.c_str(), &file) == 0 &&
                         ::stat(directoryOf(target).c_str(), &folder) == 0 &&
                         (folder.st_mode & S_ISVTX) != 0 && file.st_uid != me &&
                         folder.st_uid != me;
    return refused ? std::make_error_code(std::errc::operation_not_permitted) : std::error_code{};
}

std::error_code readRegular(const std::string& path, std::string& out, std::size_t maxBytes) {
    Fd fd;
    struct stat st {};
    if (const std::error_code ec = openRegular(path, fd, st)) {
        return ec;
    }
    return eachChunk(fd.get(), [&](std::string_view chunk) {
        out.append(chunk);
        return out.size() > maxBytes ? std::make_error_code(std::errc::file_too_large)
                                     : std::error_code{};
    });
}

std::error_code copyNew(const std::string& from, const std::string& to) {
    Fd in;
    struct stat st {};
    if (const std::error_code ec = openRegular(from, in, st)) {
        return ec;
    }
    const Fd out{::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (out.get() < 0) {
        return lastError();
    }
    std::error_code ec;
    if (::fchmod(out.get(), st.st_mode & 0777) != 0) {
        ec = lastError();
    }
    if (!ec) {
        ec =
            eachChunk(in.get(), [&](std::string_view chunk) { return writeAll(out.get(), chunk); });
    }
    if (!ec && ::fsync(out.get()) != 0) {
        ec = lastError();
    }
    if (ec) {
        ::unlink(to.c_str());
    }
    return ec;
}

} // namespace Os

} // namespace Framework
