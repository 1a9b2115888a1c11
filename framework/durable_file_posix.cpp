#include "framework/durable_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <optional>

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

  private:
    int fd_;
};

// False on an error, or when the file turns out longer than `maxBytes`.
[[nodiscard]] bool readAll(int fd, std::string& out, std::size_t maxBytes) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
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

[[nodiscard]] fs::path directoryOf(const std::string& path) {
    const fs::path parent = fs::path{path}.parent_path();
    return parent.empty() ? fs::path{"."} : parent;
}

// Where a chain of symbolic links at `path` ends: the file a save replaces.
[[nodiscard]] std::string followLinks(const std::string& path) {
    fs::path file{path};
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(file, ec)); ++hops) {
        const fs::path to = fs::read_symlink(file, ec);
        if (ec || hops == 40) {
            throw FileError(path, ec ? ec.value() : ELOOP);
        }
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    return file.string();
}

// In a sticky folder only the owner of a file or of the folder may replace or remove its name,
// so neither the save nor the undo of its backup could go through.
[[nodiscard]] bool stickyRefuses(const std::string& target, const struct stat& file) {
    struct stat folder {};
    const uid_t me = ::geteuid();
    return me != 0 && ::stat(directoryOf(target).c_str(), &folder) == 0 &&
           (folder.st_mode & S_ISVTX) != 0 && file.st_uid != me && folder.st_uid != me;
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

[[nodiscard]] mode_t defaultMode() noexcept {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A fresh file beside the target (mkostemp: two games in one folder never share one), locked from
// its first moment until it is renamed or removed, so no other save sweeps it away.
class TempFile {
  public:
    TempFile(const std::string& path, const std::string& target) : path_(path) {
        for (;;) {
            name_ = target + ".tmpXXXXXX";
            const int fd = ::mkostemp(name_.data(), O_CLOEXEC);
            if (fd < 0) {
                throw FileError(path, errno);
            }
            fd_.emplace(fd);
            // Where the file system has no locks, no save removes anything either.
            while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
            }
            // Another save may have swept it before the lock: take another.
            struct stat st {};
            if (::fstat(fd, &st) != 0 || st.st_nlink > 0) {
                return;
            }
            fd_.reset();
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (!renamed_) {
            ::unlink(name_.c_str());
        }
    }

    void write(std::string_view bytes, mode_t mode) {
        if (::fchmod(fd_->get(), mode) != 0) {
            throw FileError(path_, errno);
        }
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_->get(), bytes.data(), bytes.size());
            if (n < 0 && errno != EINTR) {
                throw FileError(path_, errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        }
        if (::fsync(fd_->get()) != 0) {
            throw FileError(path_, errno);
        }
    }

    // 0, or the error. The descriptor, and with it the lock, stays open until the name is gone.
    [[nodiscard]] int renameOnto(const std::string& target) noexcept {
        renamed_ = ::rename(name_.c_str(), target.c_str()) == 0;
        return renamed_ ? 0 : errno;
    }

  private:
    std::string path_;
    std::string name_;
    std::optional<Fd> fd_;
    bool renamed_ = false;
};

// A second hard link first: it never replaces anything, so no earlier backup is lost even when two
// games back up at once. Where the file system refuses one, the file moves to a name that was free.
class Backup {
  public:
    explicit Backup(const std::string& target) : target_(target) {
        for (unsigned n = 0;; ++n) {
            name_ = target + ".bak" + (n == 0 ? "" : "." + std::to_string(n));
            if (::link(target.c_str(), name_.c_str()) == 0) {
                return;
            }
            struct stat st {};
            if (errno == EEXIST || ::lstat(name_.c_str(), &st) == 0) {
                continue;
            }
            if (::rename(target.c_str(), name_.c_str()) != 0) {
                throw FileError(name_, errno);
            }
            moved_ = true;
            return;
        }
    }

    // "", or why the backup is still there.
    [[nodiscard]] std::string undo() const {
        const bool undone =
            moved_ ? ::rename(name_.c_str(), target_.c_str()) == 0 : ::unlink(name_.c_str()) == 0;
        const int error = errno;
        return undone ? ""
                      : "; " + fs::path{name_}.filename().string() +
                            " stays: " + std::generic_category().message(error);
    }

  private:
    std::string target_;
    std::string name_;
    bool moved_ = false;
};

} // namespace

FileBytes readFile(const std::string& path, std::uintmax_t maxBytes) noexcept {
    try {
        // O_NONBLOCK: a FIFO in the file's place must not hang the game.
        const Fd fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
        struct stat st {};
        if (fd.get() < 0) {
            if (errno == ENOENT || errno == ENOTDIR) {
                return {FileRead::Missing, {}};
            }
            const bool regular = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
            return {regular ? FileRead::Failed : FileRead::NotRegular, {}};
        }
        if (::fstat(fd.get(), &st) != 0) {
            return {FileRead::Failed, {}};
        }
        if (!S_ISREG(st.st_mode)) {
            return {FileRead::NotRegular, {}};
        }
        FileBytes file{FileRead::Read, {}};
        if (static_cast<std::uintmax_t>(st.st_size) > maxBytes ||
            !readAll(fd.get(), file.bytes, maxBytes)) {
            return {FileRead::Failed, {}};
        }
        return file;
    } catch (...) {
        return {FileRead::Failed, {}}; // out of memory
    }
}

void replaceFile(const std::string& path, std::string_view bytes, OldBytes old) {
    const std::string target = followLinks(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        throw FileError(path, errno);
    }
    if (exists && !S_ISREG(st.st_mode)) {
        throw S_ISDIR(st.st_mode) ? FileError(path, EISDIR) : FileError(path, "Not a regular file");
    }
    if (const FileBytes there = readFile(target, bytes.size());
        there.result == FileRead::Read && there.bytes == bytes) {
        return;
    }
    if (exists && stickyRefuses(target, st)) {
        throw FileError(path, EPERM);
    }
    sweepLeftovers(target);
    TempFile temp{path, target};
    const bool keepMode = exists && old == OldBytes::Replace;
    temp.write(bytes, keepMode ? st.st_mode & 0777 : defaultMode());
    std::optional<Backup> backup;
    if (exists && old == OldBytes::KeepAsBackup) {
        backup.emplace(target);
    }
    if (const int error = temp.renameOnto(target); error != 0) {
        throw FileError(path,
                        std::generic_category().message(error) + (backup ? backup->undo() : ""));
    }
    // Makes the rename durable where it can; the new bytes are in place already, so a folder
    // that cannot be opened or synced does not fail the save.
    const Fd folder{::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.get() >= 0) {
        static_cast<void>(::fsync(folder.get()));
    }
}
