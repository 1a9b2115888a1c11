// The save with the standard library alone, which keeps what durable_file.hpp promises and no
// more: nothing is synced, so a power cut may lose a save that returned; leftover temporary files
// stay; another user's file in a sticky folder is not refused ahead (the save fails and says
// whether its backup stays); a FIFO swapped in for the file between the check and the read blocks
// the reader; and a write that takes nothing (a broken file system) is retried by the C library for
// ever.
#include "framework/durable_file_os.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <utility>

namespace Framework {

namespace {

namespace fs = std::filesystem;

// The error of a call that failed: errno is cleared before each, as the C library need not set
// it, and a failed write that left none is taken for a full disk.
[[nodiscard]] std::error_code errorOr(std::errc otherwise) noexcept {
    return errno != 0 ? std::error_code{errno, std::generic_category()}
                      : std::make_error_code(otherwise);
}

struct File {
    std::FILE* file;
    File(const std::string& name, const char* mode)
        : file((errno = 0, std::fopen(name.c_str(), mode))) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    // Closed before a rename, which some systems refuse for an open file.
    [[nodiscard]] std::error_code close() noexcept {
        errno = 0;
        const bool closed = std::fclose(std::exchange(file, nullptr)) == 0;
        return closed ? std::error_code{} : errorOr(std::errc::io_error);
    }
};

[[nodiscard]] std::error_code writeAll(std::FILE* file, std::string_view bytes) noexcept {
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fflush(file) != 0) {
        return errorOr(std::errc::no_space_on_device);
    }
    return {};
}

} // namespace

namespace Os {

struct Temp {
    std::string name;
    bool placed = false;
};

void TempRemover::operator()(Temp* temp) const noexcept {
    std::error_code ignored;
    if (!temp->placed) {
        fs::remove(temp->name, ignored);
    }
    delete temp;
}

std::error_code readRegular(const std::string& path, std::string& out, std::size_t maxBytes) {
    File in{path, "rb"};
    if (in.file == nullptr) {
        return errorOr(std::errc::io_error);
    }
    char buffer[1 << 16];
    std::size_t n = 0;
    while (out.size() <= maxBytes && (n = std::fread(buffer, 1, sizeof buffer, in.file)) > 0) {
        out.append(buffer, n);
    }
    if (std::ferror(in.file) != 0) {
        return std::make_error_code(std::errc::io_error);
    }
    return out.size() <= maxBytes ? std::error_code{}
                                  : std::make_error_code(std::errc::file_too_large);
}

// Without owners to compare, nothing is refused ahead; a failed undo is still reported.
std::error_code checkReplaceable(const std::string& /*target*/) {
    return {};
}

// A random name, opened with "x": never a file another game has made. Without a lock no leftover
// can be told from a running save's file, so none is swept.
std::error_code writeTemp(const std::string& target, std::string_view bytes,
                          std::optional<fs::perms> mode, TempFile& temp) {
    temp.reset(new Temp{{}, true});
    for (int tries = 0;; ++tries) {
        temp->name = tempName(target);
        File out{temp->name, "wbx"};
        if (out.file == nullptr) {
            if (errno == EEXIST && tries < 100) {
                continue;
            }
            return errorOr(std::errc::file_exists);
        }
        temp->placed = false; // ours from here on
        std::error_code ec = writeAll(out.file, bytes);
        if (const std::error_code closed = out.close(); !ec) {
            ec = closed;
        }
        if (!ec && mode) {
            fs::permissions(temp->name, *mode, ec);
        }
        return ec;
    }
}

std::error_code place(Temp& temp, const std::string& target) noexcept {
    std::error_code ec;
    fs::rename(temp.name, target, ec);
    temp.placed = !ec;
    return ec;
}

std::error_code copyNew(const std::string& from, const std::string& to) {
    File in{from, "rb"};
    if (in.file == nullptr) {
        return errorOr(std::errc::io_error);
    }
    File out{to, "wbx"};
    if (out.file == nullptr) {
        return errorOr(std::errc::file_exists);
    }
    std::error_code ec;
    char buffer[1 << 16];
    for (std::size_t n = 0; !ec && (n = std::fread(buffer, 1, sizeof buffer, in.file)) > 0;) {
        ec = writeAll(out.file, {buffer, n});
    }
    if (!ec && std::ferror(in.file) != 0) {
        ec = std::make_error_code(std::errc::io_error);
    }
    if (const std::error_code closed = out.close(); !ec) {
        ec = closed;
    }
    if (!ec) {
        const fs::perms perms = fs::status(from, ec).permissions();
        if (!ec) {
            fs::permissions(to, perms, ec);
        }
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(to, ignored);
    }
    return ec;
}

} // namespace Os

} // namespace Framework
