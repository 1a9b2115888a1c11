#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

namespace {

[[nodiscard]] std::string fileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[nodiscard]] std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

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
    // Closes now, so that the caller sees the result; the descriptor is gone either way.
    [[nodiscard]] int close() noexcept {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

enum class ReadResult : std::uint8_t { Missing, NotRegular, Failed, Read };

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

// A fresh temporary file beside the target (mkostemp, so two games in one directory never share
// one), removed again unless it has been renamed into place.
class TempFile {
  public:
    explicit TempFile(const std::string& target)
        : target_(target), path_(target + ".tmpXXXXXX"), fd_(::mkostemp(path_.data(), O_CLOEXEC)) {
        if (fd_.get() < 0) {
            throw SaveError(target_, errno);
        }
        created_ = true;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (created_) {
            ::unlink(path_.c_str());
        }
    }

    void write(std::string_view bytes) {
        // mkostemp makes the file private; give it the mode an ordinary write would have kept.
        if (::fchmod(fd_.get(), targetMode()) != 0) {
            throw SaveError(target_, errno);
        }
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw SaveError(target_, errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        if (::fsync(fd_.get()) != 0 || fd_.close() != 0) {
            throw SaveError(target_, errno);
        }
    }

    void renameOverTarget() {
        if (::rename(path_.c_str(), target_.c_str()) != 0) {
            throw SaveError(target_, errno);
        }
        created_ = false;
    }

  private:
    std::string target_;
    std::string path_;
    Fd fd_;
    bool created_ = false;

    [[nodiscard]] mode_t targetMode() const {
        struct stat st {};
        if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            return st.st_mode & 07777;
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }
};

// The rename is only durable once the directory entry is on disk too.
void syncDirectory(const std::string& path) {
    const int raw = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (raw < 0) {
        throw SaveError(path, errno);
    }
    Fd fd{raw};
    // EINVAL: this file system cannot sync a directory; there is nothing more to do.
    if ((::fsync(fd.get()) != 0 && errno != EINVAL) || fd.close() != 0) {
        throw SaveError(path, errno);
    }
}

} // namespace

SaveError::SaveError(const std::string& path, int error)
    : std::runtime_error(fileName(path) + ": " + std::generic_category().message(error)) {}

SaveFile readSaveFile(const std::string& path) noexcept {
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
        // Out of memory for a huge file: the renaming backup needs none.
        return {defaultGameData, OldSave::KeepAsBackup};
    }
}

GameData loadGameData(const std::string& path) noexcept {
    return readSaveFile(path).data;
}

void saveGameData(const std::string& path, const GameData& data, OldSave old) {
    TempFile temp{path};
    temp.write(gameDataToText(data));
    if (old == OldSave::KeepAsBackup) {
        // A rename keeps the bytes without reading them, and replaces an older backup at once.
        const std::string backup = path + ".bak";
        if (::rename(path.c_str(), backup.c_str()) != 0 && errno != ENOENT) {
            throw SaveError(backup, errno);
        }
    }
    temp.renameOverTarget();
    syncDirectory(path);
}
