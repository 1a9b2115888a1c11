#include "framework/durable_file.hpp"

#include "framework/durable_file_os.hpp"

#include <cerrno>
#include <optional>

namespace {

namespace fs = std::filesystem;
using durable_file_os::readRegular;
using durable_file_os::replaceRefused;
using durable_file_os::TempFile;

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
        if (ec || size > maxBytes || !readRegular(path, file.bytes, maxBytes)) {
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
    if (exists && replaceRefused(target)) {
        throw FileError(path, EPERM);
    }
    const bool keepMode = exists && old == OldBytes::Replace;
    TempFile temp{path, target, bytes,
                  keepMode ? std::optional{status.permissions() & fs::perms::all} : std::nullopt};
    std::optional<Backup> backup;
    if (exists && old == OldBytes::KeepAsBackup) {
        backup.emplace(target);
    }
    if (const std::error_code error = temp.place()) {
        throw FileError(path, error.message() + (backup ? backup->undo() : ""));
    }
}
