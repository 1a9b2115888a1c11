#include "framework/durable_file.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <random>
#include <utility>

namespace {

namespace fs = std::filesystem;

// False on an error, or when the file turns out longer than `maxBytes`.
[[nodiscard]] bool readAll(const std::string& path, std::string& out, std::size_t maxBytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[1 << 16];
    std::size_t n = 0;
    while (out.size() <= maxBytes && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        out.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed && out.size() <= maxBytes;
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

// A fresh file beside the target under a random name ("x": never one another game has made),
// removed again unless it was renamed into place. Without a lock no leftover can be told from a
// running save's file, so none is swept.
class TempFile {
  public:
    TempFile(const std::string& path, const std::string& target) : path_(path) {
        std::random_device random;
        for (int tries = 0; file_ == nullptr; ++tries) {
            name_ = target + ".tmp" + std::to_string(random() % 1'000'000);
            errno = 0;
            file_ = std::fopen(name_.c_str(), "wbx");
            if (file_ == nullptr && (errno != EEXIST || tries == 100)) {
                throw FileError(path, errno != 0 ? errno : EEXIST);
            }
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        std::error_code ignored;
        if (!renamed_) {
            fs::remove(name_, ignored);
        }
    }

    // Closed before the rename, which some systems refuse for an open file.
    void write(std::string_view bytes, std::optional<fs::perms> mode) {
        std::FILE* file = std::exchange(file_, nullptr);
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                             std::fflush(file) == 0;
        const int error = errno;
        if (std::fclose(file) != 0 || !written) {
            throw FileError(path_, written ? errno : error);
        }
        std::error_code ec;
        if (mode) {
            fs::permissions(name_, *mode, ec);
        }
        if (ec) {
            throw FileError(path_, ec.value());
        }
    }

    [[nodiscard]] std::error_code renameOnto(const std::string& target) noexcept {
        std::error_code ec;
        fs::rename(name_, target, ec);
        renamed_ = !ec;
        return ec;
    }

  private:
    std::string path_;
    std::string name_;
    std::FILE* file_ = nullptr;
    bool renamed_ = false;
};

// A second hard link first: it never replaces anything, so no earlier backup is lost even when two
// games back up at once. Where the file system refuses one, the file moves to a name that was free.
class Backup {
  public:
    explicit Backup(const std::string& target) : target_(target) {
        for (unsigned n = 0;; ++n) {
            name_ = target + ".bak" + (n == 0 ? "" : "." + std::to_string(n));
            std::error_code ec;
            fs::create_hard_link(target, name_, ec);
            if (!ec) {
                return;
            }
            std::error_code taken;
            if (ec == std::errc::file_exists || fs::exists(fs::symlink_status(name_, taken))) {
                continue;
            }
            fs::rename(target, name_, ec);
            if (ec) {
                throw FileError(name_, ec.value());
            }
            moved_ = true;
            return;
        }
    }

    // "", or why the backup is still there.
    [[nodiscard]] std::string undo() const {
        std::error_code ec;
        if (moved_) {
            fs::rename(name_, target_, ec);
        } else {
            fs::remove(name_, ec);
        }
        return ec ? "; " + fs::path{name_}.filename().string() + " stays: " + ec.message() : "";
    }

  private:
    std::string target_;
    std::string name_;
    bool moved_ = false;
};

} // namespace

FileBytes readFile(const std::string& path, std::uintmax_t maxBytes) noexcept {
    try {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (!fs::exists(status)) {
            return {FileRead::Missing, {}};
        }
        if (!fs::is_regular_file(status)) {
            return {FileRead::NotRegular, {}};
        }
        FileBytes file{FileRead::Read, {}};
        const std::uintmax_t size = fs::file_size(path, ec);
        if (ec || size > maxBytes || !readAll(path, file.bytes, maxBytes)) {
            return {FileRead::Failed, {}};
        }
        return file;
    } catch (...) {
        return {FileRead::Failed, {}}; // out of memory
    }
}

void replaceFile(const std::string& path, std::string_view bytes, OldBytes old) {
    const std::string target = followLinks(path);
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (ec && !exists && ec != std::errc::no_such_file_or_directory) {
        throw FileError(path, ec.value());
    }
    if (exists && !fs::is_regular_file(status)) {
        throw fs::is_directory(status) ? FileError(path, EISDIR)
                                       : FileError(path, "Not a regular file");
    }
    if (const FileBytes there = readFile(target, bytes.size());
        there.result == FileRead::Read && there.bytes == bytes) {
        return;
    }
    TempFile temp{path, target};
    temp.write(bytes, exists && old == OldBytes::Replace
                          ? std::optional{status.permissions() & fs::perms::all}
                          : std::nullopt);
    std::optional<Backup> backup;
    if (exists && old == OldBytes::KeepAsBackup) {
        backup.emplace(target);
    }
    if (const std::error_code error = temp.renameOnto(target)) {
        throw FileError(path, error.message() + (backup ? backup->undo() : ""));
    }
}
