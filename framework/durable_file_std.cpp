#include "framework/durable_file.hpp"
#include "framework/durable_file_os.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <random>

namespace {

namespace fs = std::filesystem;

// A random name, opened with "x": never a file another game has made.
[[nodiscard]] std::FILE* makeFresh(const std::string& path, std::string& name) {
    std::random_device random;
    for (int tries = 0;; ++tries) {
        name.replace(name.size() - 6, 6, std::to_string(100'000 + random() % 900'000));
        errno = 0;
        if (std::FILE* file = std::fopen(name.c_str(), "wbx")) {
            return file;
        }
        if (errno != EEXIST || tries == 100) {
            throw FileError(path, errno != 0 ? errno : EEXIST);
        }
    }
}

} // namespace

namespace durable_file_os {

bool readRegular(const std::string& path, std::string& out, std::size_t maxBytes) {
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

// Without owners to compare, nothing is refused ahead; a failed undo is still reported.
bool replaceRefused(const std::string& /*target*/) {
    return false;
}

// Without a lock no leftover can be told from a running save's file, so none is swept.
TempFile::TempFile(const std::string& path, const std::string& target, std::string_view bytes,
                   std::optional<fs::perms> mode)
    : target_(target), name_(target + ".tmpXXXXXX") {
    std::FILE* file = makeFresh(path, name_);
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const int writeError = errno;
    // Closed before the rename, which some systems refuse for an open file.
    const bool closed = std::fclose(file) == 0;
    std::error_code ec{written ? errno : writeError, std::generic_category()};
    if (written && closed) {
        ec.clear();
        if (mode) {
            fs::permissions(name_, *mode, ec);
        }
    }
    if (!written || !closed || ec) {
        std::error_code ignored;
        fs::remove(name_, ignored);
        throw FileError(path, ec ? ec.value() : EIO);
    }
}

TempFile::~TempFile() {
    std::error_code ignored;
    if (!placed_) {
        fs::remove(name_, ignored);
    }
}

std::error_code TempFile::place() noexcept {
    std::error_code ec;
    fs::rename(name_, target_, ec);
    placed_ = !ec;
    return ec;
}

} // namespace durable_file_os
