#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

// The POSIX calls add what the standard library cannot say: close-on-exec, syncs to disk and a
// lock that tells a running save's temporary file from one a killed game left behind.
#if !defined(GORUBADON_PORTABLE) && __has_include(<unistd.h>)
#include <unistd.h>
#endif
#if !defined(GORUBADON_PORTABLE) && defined(_POSIX_VERSION)
#define SAVE_FILE_POSIX 1
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#else
#include <cstdio>
#include <random>
#endif

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

namespace fs = std::filesystem;

[[nodiscard]] std::error_code lastError() noexcept {
    return {errno, std::generic_category()};
}

enum class ReadResult : std::uint8_t { Missing, NotRegular, Failed, Read };

#ifdef SAVE_FILE_POSIX

[[nodiscard]] fs::path directoryOf(const std::string& path) {
    const fs::path parent = fs::path{path}.parent_path();
    return parent.empty() ? fs::path{"."} : parent;
}

class Fd {
  public:
    explicit Fd(int fd = -1) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    [[nodiscard]] int get() const noexcept { return fd_; }
    void reset(int fd = -1) noexcept {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

// O_NONBLOCK so that a FIFO in the file's place cannot hang the game.
[[nodiscard]] ReadResult readRegularFile(const std::string& path, std::string& out) {
    const int raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (raw < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return ReadResult::Missing;
        }
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? ReadResult::Failed
                                                                     : ReadResult::NotRegular;
    }
    const Fd fd{raw};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return ReadResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        return ReadResult::NotRegular;
    }
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadResult::Failed;
        }
        if (n == 0) {
            return ReadResult::Read;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

void writeAll(const std::string& shown, int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SaveError(shown, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// A fresh file beside the target (mkostemp, so two games in one folder never share one), locked
// from its first moment to its rename, and removed again unless it was renamed into place.
class TempFile {
  public:
    TempFile(const std::string& shown, const std::string& target) : shown_(shown), target_(target) {
        for (;;) {
            path_ = target + ".tmpXXXXXX";
            fd_.reset(::mkostemp(path_.data(), O_CLOEXEC));
            if (fd_.get() < 0) {
                error_ = lastError();
                return;
            }
            // Where the file system has no locks, no start removes anything either.
            while (::flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
            }
            // A starting game may have taken it for a leftover before the lock: take another.
            struct stat st {};
            if (::fstat(fd_.get(), &st) != 0 || st.st_nlink > 0) {
                return;
            }
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_.get() >= 0 && !renamed_) {
            ::unlink(path_.c_str());
        }
    }

    [[nodiscard]] std::error_code error() const noexcept { return error_; }

    void write(std::string_view bytes) {
        if (::fchmod(fd_.get(), targetMode()) != 0) {
            throw SaveError(shown_, errno);
        }
        writeAll(shown_, fd_.get(), bytes);
        if (::fsync(fd_.get()) != 0) {
            throw SaveError(shown_, errno);
        }
    }

    // The descriptor, and with it the lock, stays open until the name is gone.
    void renameOverTarget() {
        if (::rename(path_.c_str(), target_.c_str()) != 0) {
            throw SaveError(shown_, errno);
        }
        renamed_ = true;
    }

  private:
    std::string shown_;
    std::string target_;
    std::string path_;
    Fd fd_;
    std::error_code error_;
    bool renamed_ = false;

    // The old file's mode, but never one that would lock the player's own game out of its record.
    [[nodiscard]] mode_t targetMode() const {
        struct stat st {};
        if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return (st.st_mode & 07777) | S_IRUSR | S_IWUSR;
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }
};

// Over the old bytes first, then cut to length: rewriting the record that was read changes no byte
// at any moment. False when `target` is not a regular file that can be opened for writing.
[[nodiscard]] bool writeInPlace(const std::string& shown, const std::string& target,
                                std::string_view bytes) {
    const Fd fd{::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    writeAll(shown, fd.get(), bytes);
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.get()) != 0) {
        throw SaveError(shown, errno);
    }
    return true;
}

// Makes the rename durable where it can. The new record is in place already, so a folder that
// cannot be opened or synced does not fail the save.
void syncDirectory(const std::string& target) noexcept {
    const Fd fd{::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (fd.get() >= 0) {
        static_cast<void>(::fsync(fd.get()));
    }
}

// A temporary file no save holds a lock on was left by a killed game. Only the player's own
// regular files go, and only while the name still means the file that was checked.
void removeIfAbandoned(const fs::path& path) noexcept {
    const Fd fd{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY)};
    struct stat held {};
    struct stat named {};
    if (fd.get() >= 0 && ::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) &&
        held.st_uid == ::geteuid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
        named.st_ino == held.st_ino) {
        ::unlink(path.c_str());
    }
}

// Only names mkostemp could have made: a player's own "save.txt.tmp_copy2" is not ours to remove.
[[nodiscard]] bool isTempName(std::string_view name, std::string_view prefix) noexcept {
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

void removeLeftovers(const std::string& target) {
    const std::string prefix = fs::path{target}.filename().string() + ".tmp";
    std::error_code ec;
    for (fs::directory_iterator it{directoryOf(target), ec}, end; !ec && it != end;
         it.increment(ec)) {
        if (isTempName(it->path().filename().string(), prefix)) {
            removeIfAbandoned(it->path());
        }
    }
}

#else // the standard library alone

[[nodiscard]] ReadResult readRegularFile(const std::string& path, std::string& out) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        return ReadResult::Missing;
    }
    if (!fs::is_regular_file(status)) {
        return ReadResult::NotRegular;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return ReadResult::Failed;
    }
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        out.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? ReadResult::Failed : ReadResult::Read;
}

// Writes `bytes` and closes the file; false with errno set when that fails.
[[nodiscard]] bool writeAndClose(std::FILE* file, std::string_view bytes) {
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const int error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written) {
        errno = error;
    }
    return written && closed;
}

// A fresh file beside the target under a random name ("x": never one another game has made),
// removed again unless it was renamed into place.
class TempFile {
  public:
    TempFile(const std::string& shown, const std::string& target) : shown_(shown), target_(target) {
        std::random_device seed;
        std::mt19937 pick{seed()};
        constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyz0123456789";
        std::uniform_int_distribution<std::size_t> letter{0, letters.size() - 1};
        for (int tries = 0; tries < 100 && file_ == nullptr; ++tries) {
            path_ = target + ".tmp";
            for (int i = 0; i < 6; ++i) {
                path_ += letters[letter(pick)];
            }
            errno = 0;
            file_ = std::fopen(path_.c_str(), "wbx");
            if (file_ == nullptr && errno != EEXIST) {
                break;
            }
        }
        if (file_ == nullptr) {
            error_ = errno != 0 ? lastError() : std::make_error_code(std::errc::file_exists);
        }
        created_ = file_ != nullptr;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        if (created_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }

    [[nodiscard]] std::error_code error() const noexcept { return error_; }

    void write(std::string_view bytes) {
        std::error_code ec;
        const fs::file_status old = fs::status(target_, ec);
        if (fs::is_regular_file(old)) {
            fs::permissions(path_,
                            old.permissions() | fs::perms::owner_read | fs::perms::owner_write, ec);
        }
        // Closed before the rename, which some systems refuse for an open file.
        std::FILE* file = std::exchange(file_, nullptr);
        if (!writeAndClose(file, bytes)) {
            throw SaveError(shown_, errno);
        }
    }

    void renameOverTarget() {
        std::error_code ec;
        fs::rename(path_, target_, ec);
        if (ec) {
            throw SaveError(shown_, ec);
        }
        created_ = false;
    }

  private:
    std::string shown_;
    std::string target_;
    std::string path_;
    std::FILE* file_ = nullptr;
    std::error_code error_;
    bool created_ = false;
};

[[nodiscard]] bool writeInPlace(const std::string& shown, const std::string& target,
                                std::string_view bytes) {
    std::error_code ec;
    if (!fs::is_regular_file(target, ec)) {
        return false;
    }
    std::FILE* file = std::fopen(target.c_str(), "r+b");
    if (file == nullptr) {
        return false;
    }
    if (!writeAndClose(file, bytes)) {
        throw SaveError(shown, errno);
    }
    fs::resize_file(target, bytes.size(), ec);
    if (ec) {
        throw SaveError(shown, ec);
    }
    return true;
}

void syncDirectory(const std::string&) noexcept {}

// Without a lock there is no telling a killed save's file from a running one's: both stay.
void removeLeftovers(const std::string&) {}

#endif

// The file a save replaces: `path` itself, or where its chain of symbolic links ends, so that the
// record lands in the linked file and the link stays.
[[nodiscard]] std::string followLinks(const std::string& path) {
    fs::path file{path};
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(file, ec))) {
            return file.string();
        }
        const fs::path to = fs::read_symlink(file, ec);
        if (ec) {
            throw SaveError(path, ec);
        }
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    throw SaveError(path, std::make_error_code(std::errc::too_many_symbolic_link_levels));
}

// Keeps the old file under the first free name of path + ".bak", ".bak.1", ".bak.2", ... A second
// hard link never replaces anything, so no earlier backup is lost even when two games back up at
// once; where the file system refuses one, the file moves to a name that was free. Undone unless
// kept, so a failed save leaves the folder as it was.
class Backup {
  public:
    explicit Backup(const std::string& target) : target_(target) {
        for (unsigned n = 0;; ++n) {
            path_ = target + ".bak" + (n == 0 ? "" : "." + std::to_string(n));
            std::error_code ec;
            fs::create_hard_link(target, path_, ec);
            if (!ec) {
                made_ = Made::Link;
                return;
            }
            if (ec == std::errc::file_exists) {
                continue;
            }
            if (ec == std::errc::no_such_file_or_directory) {
                return; // the old file has gone: nothing to keep
            }
            std::error_code taken;
            if (fs::symlink_status(path_, taken).type() != fs::file_type::not_found) {
                continue;
            }
            fs::rename(target, path_, ec);
            if (ec) {
                throw SaveError(path_, ec);
            }
            made_ = Made::Move;
            return;
        }
    }
    Backup(const Backup&) = delete;
    Backup& operator=(const Backup&) = delete;
    ~Backup() {
        std::error_code ignored;
        if (made_ == Made::Link) {
            fs::remove(path_, ignored);
        } else if (made_ == Made::Move) {
            fs::rename(path_, target_, ignored);
        }
    }
    void keep() noexcept { made_ = Made::Nothing; }

  private:
    enum class Made : std::uint8_t { Nothing, Link, Move };
    std::string target_;
    std::string path_;
    Made made_ = Made::Nothing;
};

} // namespace

SaveError::SaveError(const std::string& path, int error)
    : SaveError(path, std::error_code{error, std::generic_category()}) {}

SaveError::SaveError(const std::string& path, std::error_code error)
    : std::runtime_error(fs::path{path}.filename().string() + ": " + error.message()) {}

SaveFile readSaveFile(const std::string& path) noexcept {
    try {
        removeLeftovers(followLinks(path));
    } catch (...) {
        // Leftovers are untidy, not harmful: reading goes on.
    }
    try {
        std::string bytes;
        switch (readRegularFile(path, bytes)) {
        case ReadResult::Missing:
        case ReadResult::NotRegular:
            return {};
        case ReadResult::Failed:
            return {defaultGameData, OldSave::KeepAsBackup};
        case ReadResult::Read:
            break;
        }
        if (bytes.empty()) {
            return {}; // nothing to keep
        }
        std::optional<GameData> data = gameDataFromText(bytes);
        if (!data) {
            return {defaultGameData, OldSave::KeepAsBackup};
        }
        return {std::move(*data), OldSave::Replace};
    } catch (...) {
        // Out of memory for a huge file: the backup needs none.
        return {defaultGameData, OldSave::KeepAsBackup};
    }
}

GameData loadGameData(const std::string& path) noexcept {
    return readSaveFile(path).data;
}

void saveGameData(const std::string& path, const GameData& data, OldSave old) {
    const std::string target = followLinks(path);
    const std::string text = gameDataToText(data);
    TempFile temp{path, target};
    if (const std::error_code why = temp.error()) {
        // A folder the player may not write to can hold a save.txt they may write. Bytes that are
        // not a record are never overwritten that way: they would have no backup.
        if (old == OldSave::Replace &&
            (why == std::errc::permission_denied || why == std::errc::operation_not_permitted) &&
            writeInPlace(path, target, text)) {
            return;
        }
        throw SaveError(path, why);
    }
    temp.write(text);
    std::optional<Backup> backup;
    if (old == OldSave::KeepAsBackup) {
        backup.emplace(target);
    }
    temp.renameOverTarget();
    if (backup) {
        backup->keep();
    }
    syncDirectory(target);
}
