#include "framework/durable_file.hpp"

#include "framework/durable_file_os.hpp"

#include <cstdint>
#include <optional>
#include <random>
#include <utility>

namespace Framework {

namespace {

namespace fs = std::filesystem;

// The reasons of the system's errors as FileError gives them.
[[nodiscard]] FileError failed(const std::string& path, std::error_code ec) {
    return FileError(path, ec.message());
}

// Where a chain of symbolic links at `path` ends: the file a save replaces.
[[nodiscard]] std::string followLinks(const std::string& path) {
    fs::path file{path};
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(file, ec)); ++hops) {
        const fs::path to = fs::read_symlink(file, ec);
        if (ec || hops == 40) {
            throw failed(path,
                         ec ? ec : std::make_error_code(std::errc::too_many_symbolic_link_levels));
        }
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    return file.string();
}

// A second hard link, or where the file system refuses one (no hard links; another user's file
// under protected_hardlinks) a copy: neither replaces anything, and the file stays in its place,
// so no earlier backup is lost and the file is never missing, even when two games back up at once.
class Backup {
  public:
    Backup(const std::string& target, std::string_view newBytes) {
        for (unsigned n = 0;; ++n) {
            name_ = target + ".bak" + (n == 0 ? "" : "." + std::to_string(n));
            std::error_code ec;
            fs::create_hard_link(target, name_, ec);
            if (ec && ec != std::errc::file_exists) {
                ec = Os::copyNew(target, name_);
            }
            if (ec != std::errc::file_exists) {
                if (ec) {
                    throw failed(name_, ec);
                }
                break;
            }
        }
        // Another game has saved since the old bytes were read: what it wrote is no backup.
        const FileBytes kept = readFile(name_, newBytes.size());
        if (kept.result == FileRead::Read && kept.bytes == newBytes) {
            static_cast<void>(undo());
        }
    }

    // "", or why the backup is still there.
    [[nodiscard]] std::string undo() {
        std::error_code ec;
        if (!name_.empty()) {
            fs::remove(name_, ec);
        }
        const std::string name = fs::path{std::exchange(name_, {})}.filename().string();
        return ec ? "; " + name + " stays: " + ec.message() : "";
    }

  private:
    std::string name_;
};

constexpr std::string_view alphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::size_t randomLength = 6;

[[nodiscard]] std::string checkOf(std::string_view random) {
    std::uint64_t hash = 0xcbf29ce484222325; // FNV-1a
    for (const char c : std::string_view{"gorubadon save"}) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    }
    for (const char c : random) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    }
    std::string check;
    for (std::size_t i = 0; i < randomLength; ++i, hash /= alphabet.size()) {
        check += alphabet[hash % alphabet.size()];
    }
    return check;
}

[[nodiscard]] std::string tempPrefix(const std::string& target) {
    return fs::path{target}.filename().string() + ".tmp";
}

} // namespace

namespace Os {

std::string tempName(const std::string& target) {
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick{0, alphabet.size() - 1};
    std::string letters;
    for (std::size_t i = 0; i < randomLength; ++i) {
        letters += alphabet[pick(random)];
    }
    return target + ".tmp" + letters + checkOf(letters);
}

bool isTempName(std::string_view fileName, const std::string& target) {
    const std::string prefix = tempPrefix(target);
    if (fileName.size() != prefix.size() + 2 * randomLength || !fileName.starts_with(prefix)) {
        return false;
    }
    const std::string_view random = fileName.substr(prefix.size(), randomLength);
    return random.find_first_not_of(alphabet) == std::string_view::npos &&
           fileName.substr(prefix.size() + randomLength) == checkOf(random);
}

} // namespace Os

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
        if (ec || size > maxBytes) {
            return {FileRead::Failed, {}};
        }
        file.bytes.reserve(static_cast<std::size_t>(size)); // one buffer, unless the file grows
        if (Os::readRegular(path, file.bytes, maxBytes)) {
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
        throw failed(path, ec);
    }
    if (exists && !fs::is_regular_file(status)) {
        throw fs::is_directory(status)
            ? failed(path, std::make_error_code(std::errc::is_a_directory))
            : FileError(path, "Not a regular file");
    }
    if (const FileBytes there = readFile(target, bytes.size());
        there.result == FileRead::Read && there.bytes == bytes) {
        return;
    }
    if (exists && (ec = Os::checkReplaceable(target))) {
        throw failed(path, ec);
    }
    const bool keepMode = exists && old == OldBytes::Replace;
    Os::TempFile temp;
    if ((ec = Os::writeTemp(target, bytes,
                            keepMode ? std::optional{status.permissions() & fs::perms::all}
                                     : std::nullopt,
                            temp))) {
        throw failed(path, ec);
    }
    std::optional<Backup> backup;
    if (exists && old == OldBytes::KeepAsBackup) {
        backup.emplace(target, bytes);
    }
    if ((ec = Os::place(*temp, target))) {
        throw FileError(path, ec.message() + (backup ? backup->undo() : ""));
    }
}

} // namespace Framework
