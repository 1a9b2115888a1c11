// Replacing a file, as root and as an unprivileged user: one row per folder, each played twice in
// a child process, so that what a row changes in the process (user, limits) does not outlive it.
#include "framework/durable_file.hpp"

#include "tests/framework/table_support.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace Framework;

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string newText = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}";

[[nodiscard]] std::string failure(int error) {
    return std::string{"save.txt: "} + std::strerror(error);
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream{path, std::ios::binary} << bytes;
}

[[nodiscard]] std::string read(const fs::path& path) {
    std::ifstream in{path, std::ios::binary};
    return {std::istreambuf_iterator<char>{in}, {}};
}

// The folder as sorted lines "name what": "dir", "fifo", "-> target" for a link, or a file's mode
// and bytes ("save.txt 0644 typo").
[[nodiscard]] Lines snapshot(const fs::path& dir) {
    Lines lines;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator{dir}) {
        const fs::file_status s = e.symlink_status();
        std::string what = fs::is_symlink(s)     ? "-> " + fs::read_symlink(e).string()
                           : fs::is_directory(s) ? "dir"
                           : fs::is_fifo(s)      ? "fifo"
                                                 : "";
        if (fs::is_regular_file(s)) {
            char mode[8];
            std::snprintf(mode, sizeof mode, "%04o ", static_cast<unsigned>(s.permissions()));
            fs::permissions(e, fs::perms::owner_read, fs::perm_options::add); // the player's own
            what = mode + read(e);
            fs::permissions(e, s.permissions());
        }
        lines.push_back(e.path().lexically_relative(dir).string() + " " + what);
    }
    std::sort(lines.begin(), lines.end()); // a space sorts before "." and "/"
    return lines;
}

// Makes what snapshot() shows, in the order given.
void lay(const fs::path& dir, const Lines& lines) {
    for (const std::string& line : lines) {
        const std::size_t space = line.find(' ');
        const fs::path name = dir / line.substr(0, space);
        const std::string what = line.substr(space + 1);
        if (what == "dir") {
            fs::create_directory(name);
        } else if (what == "fifo") {
            ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
        } else if (what.starts_with("-> ")) {
            fs::create_symlink(what.substr(3), name);
        } else {
            write(name, what.substr(5));
            fs::permissions(name,
                            static_cast<fs::perms>(std::stoul(what.substr(0, 4), nullptr, 8)));
        }
    }
}

[[nodiscard]] std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const FileError& e) {
        return e.what();
    }
    return "no error";
}

// What `body` says, from a child process; any exception or abnormal end is part of the answer,
// and a child that hangs is ended after seconds. The answer goes by writev, which no row filters.
[[nodiscard]] std::string inChild(const std::function<std::string()>& body) {
    int pipe[2];
    if (::pipe(pipe) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        ::alarm(30);
        std::string said;
        try {
            said = body();
        } catch (const std::exception& e) {
            said = std::string{"threw "} + e.what();
        } catch (...) {
            said = "threw";
        }
        const iovec all{said.data(), said.size()};
        ::_exit(::writev(pipe[1], &all, 1) == static_cast<ssize_t>(said.size()) ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string said;
    char buffer[256];
    for (ssize_t n = 0; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        said += " (child ended with status " + std::to_string(status) + ")";
    }
    return said;
}

#if defined(__x86_64__)
constexpr std::uint32_t arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t arch = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t arch = 0; // filters nothing
#endif

// From now on the system call `nr` of this process takes `action` instead: ending the process,
// or SECCOMP_RET_ERRNO | 0, which does nothing and returns 0.
void filter(unsigned nr, std::uint32_t action) {
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nr, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, action),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(code)), code};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        throw std::runtime_error{"no seccomp filter"};
    }
}

enum class Player : std::uint8_t {
    Anyone,
    Root,
    User, // for whom modes bind: nobody, owning the folder, when the test runs as root
    FileSizeLimit,
    AfterAKilledSave,        // killed in its write, which leaves its temporary file
    HoldingALeftover,        // as a running save does: its lock keeps it from being swept
    FifoUnderALeftoversName, // a writer waits on it: opening it to look would let the writer go
    ZeroByteWrites,          // every write takes nothing
    UserOverRootsFile,       // no hard link to another user's file under protected_hardlinks
    NobodyInStickyFolder,    // the folder and file are root's
};

struct FolderCase {
    const char* name;
    Lines before;
    Lines after; // a failed save changes nothing
    OldBytes old = OldBytes::Replace;
    std::string error = "no error"; // of both plays
    mode_t folder = 0755;           // while playing
    Player player = Player::Anyone;
    std::string path = "save.txt";
};

const std::string saved = "save.txt 0644 " + newText;
const std::string readOnly = "save.txt 0444 " + newText;
const std::string link = "save.txt -> elsewhere/record.txt";
constexpr OldBytes keep = OldBytes::KeepAsBackup;
constexpr Player user = Player::User;
#ifdef GORUBADON_PORTABLE
constexpr bool portable = true; // no owners or locks
#else
constexpr bool portable = false;
#endif

// A save that keeps the old bytes gives the new file the default mode; one that replaces them
// keeps the file's mode. A save.txt whose line is the same before and after was not written.
// clang-format off
const FolderCase folderCases[] = {
    {"No file", {}, {saved}},
    {"Empty file", {"save.txt 0640 "}, {"save.txt 0640 " + newText}},
    {"The bytes already there", {readOnly}, {readOnly}},
    {"Other bytes", {"save.txt 0640 old"}, {"save.txt 0640 " + newText}},
    {"Read-only file", {"save.txt 0444 old"}, {"save.txt 0444 " + newText}},
    {"File of mode 0", {"save.txt 0000 old"}, {"save.txt 0000 " + newText}, OldBytes::Replace,
     "no error", 0755, Player::Root},
    {"Unreadable file kept", {"save.txt 0000 old"}, {saved, "save.txt.bak 0000 old"}, keep,
     "no error", 0755, user},
    {"Old bytes kept", {"save.txt 0640 typo"}, {saved, "save.txt.bak 0640 typo"}, keep},
    {"Backups never replace one another",
     {"save.txt 0644 typo", "save.txt.bak 0600 older", "save.txt.bak.1 dir"},
     {saved, "save.txt.bak 0600 older", "save.txt.bak.1 dir", "save.txt.bak.2 0644 typo"}, keep},
    {"Through a chain of links",
     {"elsewhere dir", "elsewhere/link -> record.txt", "elsewhere/record.txt 0644 typo",
      "save.txt -> elsewhere/link"},
     {"elsewhere dir", "elsewhere/link -> record.txt", "elsewhere/record.txt 0644 " + newText,
      "elsewhere/record.txt.bak 0644 typo", "save.txt -> elsewhere/link"}, keep},
    {"A link to a file not yet there", {"elsewhere dir", link},
     {"elsewhere dir", "elsewhere/record.txt 0644 " + newText, link}},
    // A killed save's temporary file goes, just before the save makes its own; files that only
    // look like one stay.
    {"A killed save's leftover", {"save.txt 0644 typo", "save.txt.tmpbackup 0644 mine",
                                  "save.txt.tmpLeft01 0644 ", "save.txt.tmp_copy2 0644 "},
     {saved, "save.txt.bak 0644 typo", "save.txt.tmpLeft01 0644 ", "save.txt.tmp_copy2 0644 ",
      "save.txt.tmpbackup 0644 mine"}, keep, "no error", 0755, Player::AfterAKilledSave},
    {"A leftover a running save holds", {"save.txt 0644 typo"},
     {saved, "save.txt.bak 0644 typo"}, keep, "no error", 0755, Player::HoldingALeftover},
    {"A FIFO under a leftover's name", {"save.txt 0644 typo"}, {saved, "save.txt.bak 0644 typo"},
     keep, "no error", 0755, Player::FifoUnderALeftoversName},
    {"Another user's file, no hard link", {"save.txt 0640 typo"},
     {saved, "save.txt.bak 0640 typo"}, keep, "no error", 0755, Player::UserOverRootsFile},
    {"Missing folder", {}, {}, keep, failure(ENOENT), 0755, Player::Anyone, "missing/save.txt"},
    {"Parent is a file", {"file 0644 x"}, {}, keep, failure(ENOTDIR), 0755, Player::Anyone,
     "file/save.txt"},
    {"A folder in its place", {"save.txt dir", "save.txt/inside dir"}, {}, keep, failure(EISDIR)},
    {"A link to itself", {"save.txt -> save.txt"}, {}, keep, failure(ELOOP)},
    {"A link to a FIFO", {"pipe fifo", "save.txt -> pipe"}, {}, keep,
     "save.txt: Not a regular file"},
    {"A write failing half way", {"save.txt 0644 typo"}, {}, keep, failure(EFBIG), 0755,
     Player::FileSizeLimit},
    {"Writes that take nothing", {"save.txt 0644 typo"}, {}, keep, failure(ENOSPC), 0755,
     Player::ZeroByteWrites},
    // Another user's file: neither the save nor the undo of a backup could replace or remove its
    // name, so no backup is made.
    {"Another user's file in a sticky folder", {"save.txt 0777 typo"}, {}, keep, failure(EPERM),
     01777, Player::NobodyInStickyFolder},
    // Never rewritten in place: where no temporary file can be made, the save fails...
    {"Write-protected folder", {"save.txt 0644 old"}, {}, OldBytes::Replace, failure(EACCES),
     0555, user},
    {"Write-protected folder, no file", {}, {}, keep, failure(EACCES), 0555, user},
    {"Write-protected folder, bytes kept", {"save.txt 0644 typo"}, {}, keep, failure(EACCES),
     0555, user},
    // ...unless the bytes are there already, as on a read-only mount.
    {"Write-protected folder and file, the bytes there", {readOnly}, {readOnly}, keep,
     "no error", 0555, user},
    {"Folder that cannot be read or synced", {"save.txt 0644 old"}, {saved}, OldBytes::Replace,
     "no error", 0333, user},
};
// clang-format on

void PrintTo(const FolderCase& c, std::ostream* out) {
    *out << c.name;
}

class Folder : public testing::TestWithParam<FolderCase> {
  protected:
    fs::path dir;

    void SetUp() override { dir = TestSupport::freshFolder(); }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
};

TEST_P(Folder, TwoSavesKeepWhatTheyWouldLoseAndChangeNothingOnFailure) {
    const FolderCase& c = GetParam();
    const bool root = ::geteuid() == 0;
    const bool sticky = c.player == Player::NobodyInStickyFolder;
    const bool rootsFile = c.player == Player::UserOverRootsFile;
    const bool killed = c.player == Player::AfterAKilledSave;
    const bool fifo = c.player == Player::FifoUnderALeftoversName;
    const bool holding = fifo || c.player == Player::HoldingALeftover;
    if ((c.player == Player::Root || sticky || rootsFile) && !root) {
        GTEST_SKIP() << "needs root";
    }
    if ((sticky || killed || holding) && portable) {
        GTEST_SKIP() << "the standard-library build has no owners or locks";
    }
    if (c.player == Player::ZeroByteWrites && portable) {
        GTEST_SKIP() << "the C library's stdio retries a write that takes nothing forever";
    }
    const bool asNobody = root && (sticky || rootsFile || c.player == Player::User);
    const std::string save = (dir / "save.txt").string();
    lay(dir, c.before);
    struct stat before {};
    if (fs::is_regular_file(fs::symlink_status(save))) {
        fs::last_write_time(save, fs::last_write_time(save) - std::chrono::hours{1});
        ::stat(save.c_str(), &before);
    }
    const Lines laid = snapshot(dir);
    if (asNobody && !sticky) {
        for (const fs::directory_entry& e : fs::recursive_directory_iterator{dir}) {
            ASSERT_EQ(::lchown(e.path().c_str(), rootsFile ? 0 : 65534, 65534), 0);
        }
        ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
    }
    static_cast<void>(readFile(save, 1 << 20));
    EXPECT_EQ(snapshot(dir), laid) << "reading changed the folder";
    int held = -1;
    pid_t writer = -1;
    if (killed || holding) {
        ASSERT_NE(inChild([&] {
                      const rlimit limit{32, 32};
                      ::setrlimit(RLIMIT_FSIZE, &limit);
                      replaceFile(save, newText, c.old);
                      return std::string{};
                  }).find("status"),
                  std::string::npos);
        const Lines left = snapshot(dir);
        ASSERT_EQ(left.size(), laid.size() + 1) << "no leftover";
        const fs::path name = dir / left.back().substr(0, left.back().find(' '));
        if (fifo) {
            fs::remove(name);
            ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
            writer = ::fork();
            if (writer == 0) {
                ::_exit(::open(name.c_str(), O_WRONLY) >= 0 ? 0 : 1);
            }
        } else if (holding) {
            held = ::open(name.c_str(), O_RDONLY);
            ASSERT_EQ(::flock(held, LOCK_EX), 0);
        }
    }
    const Lines leftover = snapshot(dir);
    fs::permissions(dir, static_cast<fs::perms>(c.folder));
    const std::string path = (dir / c.path).string();
    const std::string said = inChild([&] {
        ::umask(022);
        // The default mode is read, never set: another thread may be making a file meanwhile.
        filter(SYS_umask, SECCOMP_RET_KILL_PROCESS);
        if (c.player == Player::FileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{32, 32};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (c.player == Player::ZeroByteWrites) {
            filter(SYS_write, SECCOMP_RET_ERRNO | 0);
        }
        if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return std::string{"still root"};
        }
        const auto play = [&] { replaceFile(path, newText, c.old); };
        return errorOf(play) + ", then " + errorOf(play);
    });
    EXPECT_EQ(said, c.error + ", then " + c.error);
    ::close(held);
    if (writer > 0) {
        EXPECT_EQ(::waitpid(writer, nullptr, WNOHANG), 0) << "the FIFO was opened";
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
    }
    fs::permissions(dir, fs::perms::owner_all);
    const Lines after = snapshot(dir);
    Lines expected = c.error == "no error" ? c.after : leftover;
    if (holding) {
        expected.push_back(leftover.back());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(after, expected);
    struct stat now {};
    const bool untouched = ::stat(save.c_str(), &now) == 0 && now.st_ino == before.st_ino &&
                           now.st_mtim.tv_sec == before.st_mtim.tv_sec;
    const auto file = std::find_if(laid.begin(), laid.end(), [](const std::string& line) {
        return line.starts_with("save.txt 0");
    });
    EXPECT_EQ(untouched,
              file != laid.end() && std::find(after.begin(), after.end(), *file) != after.end());
}

INSTANTIATE_TEST_SUITE_P(Saves, Folder, testing::ValuesIn(folderCases),
                         [](const testing::TestParamInfo<FolderCase>& info) {
                             return TestSupport::rowName(info.param.name);
                         });

} // namespace
