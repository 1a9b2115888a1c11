#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string defaultText = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}";

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

// Runs `body` in a child process, so that what it changes in the process does not outlive it.
[[nodiscard]] std::string inChild(const std::function<std::string()>& body) {
    int pipe[2];
    EXPECT_EQ(::pipe(pipe), 0);
    if (::fork() == 0) {
        const std::string said = body(); // short enough to arrive in one read
        ::_exit(::write(pipe[1], said.data(), said.size()) < 0 ? 1 : 0);
    }
    ::close(pipe[1]);
    char said[256];
    const ssize_t n = ::read(pipe[0], said, sizeof said);
    ::close(pipe[0]);
    ::wait(nullptr);
    return {said, static_cast<std::size_t>(std::max<ssize_t>(n, 0))};
}

// What the game does: read before play, save the same record after it.
void playOnce(const std::string& path) {
    const SaveFile loaded = readSaveFile(path);
    saveGameData(path, loaded.data, loaded.old);
}

class SaveFiles : public testing::Test {
  protected:
    fs::path dir;
    std::string save;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "gorubadon-save-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        save = (dir / "save.txt").string();
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
};

// Decided from the size before reading: 8 GB once took 105 s and 8.4 GB of memory. A record
// padded with spaces is still one, up to the limit.
TEST_F(SaveFiles, FilesOverTheSizeLimitAreNotRead) {
    for (const std::uintmax_t size : {saveSizeLimit, saveSizeLimit + 1, std::uintmax_t{8} << 30}) {
        const std::uintmax_t spaces = size > saveSizeLimit + 1 ? 0 : size - defaultText.size();
        write(save, defaultText + std::string(spaces, ' '));
        fs::resize_file(save, size); // the eight gigabytes are sparse
        const bool over = size > saveSizeLimit;
        EXPECT_EQ(readSaveFile(save),
                  (SaveFile{defaultGameData, over ? OldBytes::KeepAsBackup : OldBytes::Replace}));
        EXPECT_EQ(loadGameData(save), defaultGameData);
    }
}

enum class Player : std::uint8_t {
    Anyone,
    Root,
    User, // for whom modes bind: nobody, owning the folder, when the test runs as root
    FileSizeLimit,
    HoldingATemporaryFile, // as a running save does: its lock keeps it from being swept
    NobodyInStickyFolder,  // the folder and file are root's
};

struct FolderCase {
    const char* name;
    Lines before;
    Lines after;                    // a failed save changes nothing
    std::string error = "no error"; // of both plays
    mode_t folder = 0755;           // while playing
    Player player = Player::Anyone;
    std::string path = "save.txt";
};

// Two plays. A record keeps its file's mode; after bytes kept as a backup the file gets the
// default. A save.txt whose line is the same before and after was not written at all.
TEST_F(SaveFiles, PlaysKeepWhatTheyWouldLoseAndChangeNothingOnFailure) {
    const std::string spaceless = "GameData{hp=10,hpMax=10,turn=0,gold=1000,items=[]}";
    const auto items = [](const std::string& list) {
        return "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [" + list + "]}";
    };
    const std::string shiftJis = items("\"\x8c\x95\", \"\x8f\x82\"");
    const std::string bigGold = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 5000000000, "
                                "items = []}";
    const std::string saved = "save.txt 0644 " + defaultText;
    const std::string denied = failure(EACCES);
    const bool root = ::geteuid() == 0;
#ifdef GORUBADON_PORTABLE
    const bool portable = true; // no owners: a failed undo is only reported, not foreseen
#else
    const bool portable = false;
#endif
    const std::string readOnly = "save.txt 0444 " + defaultText;
    const std::string link = "save.txt -> elsewhere/record.txt";
    const Player user = Player::User;
    // clang-format off
    const FolderCase cases[] = {
        {"No file", {}, {saved}},
        {"Empty file", {"save.txt 0640 "}, {"save.txt 0640 " + defaultText}},
        {"The record as written", {readOnly}, {readOnly}},
        {"Spaceless record", {"save.txt 0640 " + spaceless}, {"save.txt 0640 " + defaultText}},
        {"Read-only record", {"save.txt 0444 " + spaceless}, {"save.txt 0444 " + defaultText}},
        {"Record of mode 0", {"save.txt 0000 " + spaceless}, {"save.txt 0000 " + defaultText},
         "no error", 0755, Player::Root},
        {"Unreadable record", {"save.txt 0000 " + spaceless},
         {saved, "save.txt.bak 0000 " + spaceless}, "no error", 0755, user},
        {"Not a record", {"save.txt 0640 typo"}, {saved, "save.txt.bak 0640 typo"}},
        // Kept when the written form would lose bytes: not for a U+FFFD of the file's own, or
        // numbers at the ends of the range.
        {"A U+FFFD of its own", {"save.txt 0644 " + items("\"\xEF\xBF\xBD\"")},
         {"save.txt 0644 " + items(R"("\65533")")}},
        {"Largest and smallest numbers",
         {"save.txt 0644 GameData {hp = 0x7FFFFFFF, hpMax = - 2147483648, turn = 0, gold = 1000, "
          "items = []}"},
         {"save.txt 0644 GameData {hp = 2147483647, hpMax = -2147483648, turn = 0, gold = 1000, "
          "items = []}"}},
        {"Items in Shift-JIS", {"save.txt 0644 " + shiftJis},
         {"save.txt 0644 " + items(R"("\65533\65533","\65533\65533")"),
          "save.txt.bak 0644 " + shiftJis}},
        {"Gold past 32 bits", {"save.txt 0644 " + bigGold},
         {"save.txt 0644 GameData {hp = 10, hpMax = 10, turn = 0, gold = 705032704, items = []}",
          "save.txt.bak 0644 " + bigGold}},
        {"Backups never replace one another",
         {"save.txt 0644 typo", "save.txt.bak 0600 older", "save.txt.bak.1 dir"},
         {saved, "save.txt.bak 0600 older", "save.txt.bak.1 dir", "save.txt.bak.2 0644 typo"}},
        {"Through a chain of links",
         {"elsewhere dir", "elsewhere/link -> record.txt", "elsewhere/record.txt 0644 typo",
          "save.txt -> elsewhere/link"},
         {"elsewhere dir", "elsewhere/link -> record.txt",
          "elsewhere/record.txt 0644 " + defaultText, "elsewhere/record.txt.bak 0644 typo",
          "save.txt -> elsewhere/link"}},
        {"A link to a file not yet there", {"elsewhere dir", link},
         {"elsewhere dir", "elsewhere/record.txt 0644 " + defaultText, link}},
        // A killed save's temporary file goes, just before the save makes its own.
        {"Leftovers", {"save.txt 0644 typo", "save.txt.tmpHeld01 0644 ",
                       "save.txt.tmpLeft01 0644 ", "save.txt.tmp_copy2 0644 "},
         {saved, "save.txt.bak 0644 typo", "save.txt.tmpHeld01 0644 ",
          "save.txt.tmp_copy2 0644 "},
         "no error", 0755, Player::HoldingATemporaryFile},
        // Read as no file (a FIFO without blocking), the default is the record to save.
        {"Missing folder", {}, {}, failure(ENOENT), 0755, Player::Anyone, "missing/save.txt"},
        {"Parent is a file", {"file 0644 x"}, {}, failure(ENOTDIR), 0755, Player::Anyone,
         "file/save.txt"},
        {"A folder in its place", {"save.txt dir", "save.txt/inside dir"}, {}, failure(EISDIR)},
        {"A link to itself", {"save.txt -> save.txt"}, {}, failure(ELOOP)},
        {"A link to a FIFO", {"pipe fifo", "save.txt -> pipe"}, {},
         "save.txt: Not a regular file"},
        {"A write failing half way", {"save.txt 0644 typo"}, {}, failure(EFBIG), 0755,
         Player::FileSizeLimit},
        // Another user's file that is not a record: neither the save nor the undo of a backup
        // could replace or remove its name, so no backup is made.
        {"Another user's file in a sticky folder", {"save.txt 0777 typo"}, {}, failure(EPERM),
         01777, Player::NobodyInStickyFolder},
        // Never rewritten in place: where no temporary file can be made, the save fails...
        {"Write-protected folder", {"save.txt 0644 " + spaceless}, {}, denied, 0555, user},
        {"Write-protected folder, no file", {}, {}, denied, 0555, user},
        {"Write-protected folder, a typo", {"save.txt 0644 typo"}, {}, denied, 0555, user},
        // ...unless the bytes are there already, as on a read-only mount.
        {"Write-protected folder and file, the record", {readOnly}, {readOnly}, "no error", 0555,
         user},
        {"Folder that cannot be read or synced", {"save.txt 0644 " + spaceless}, {saved},
         "no error", 0333, user},
    };
    // clang-format on
    const mode_t mask = ::umask(022);
    for (const FolderCase& c : cases) {
        const bool sticky = c.player == Player::NobodyInStickyFolder;
        const bool holding = c.player == Player::HoldingATemporaryFile;
        if ((c.player == Player::Root && !root) || (sticky && (!root || portable)) ||
            (holding && portable)) {
            continue;
        }
        const bool asNobody = root && (sticky || c.player == Player::User);
        SCOPED_TRACE(c.name);
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
        fs::create_directory(dir);
        lay(dir, c.before);
        struct stat before {};
        if (fs::is_regular_file(fs::symlink_status(save))) {
            fs::last_write_time(save, fs::last_write_time(save) - std::chrono::hours{1});
            ::stat(save.c_str(), &before);
        }
        const Lines laid = snapshot(dir);
        if (asNobody && !sticky) {
            for (const fs::directory_entry& e : fs::recursive_directory_iterator{dir}) {
                ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
            }
            ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
        }
        static_cast<void>(readSaveFile(save));
        EXPECT_EQ(snapshot(dir), laid) << "reading changed the folder";
        const int held = holding ? ::open((dir / "save.txt.tmpHeld01").c_str(), O_RDONLY) : -1;
        ASSERT_EQ(holding, ::flock(held, LOCK_EX) == 0);
        fs::permissions(dir, static_cast<fs::perms>(c.folder));
        const std::string path = (dir / c.path).string();
        const std::string said = inChild([&] {
            if (c.player == Player::FileSizeLimit) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{32, 32};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                return std::string{"still root"};
            }
            const std::string first = errorOf([&] { playOnce(path); });
            return first + ", then " + errorOf([&] { playOnce(path); });
        });
        EXPECT_EQ(said, c.error + ", then " + c.error);
        ::close(held);
        fs::permissions(dir, fs::perms::owner_all);
        const Lines after = snapshot(dir);
        EXPECT_EQ(after, c.error == "no error" ? c.after : laid);
        struct stat now {};
        const bool untouched = ::stat(save.c_str(), &now) == 0 && now.st_ino == before.st_ino &&
                               now.st_mtim.tv_sec == before.st_mtim.tv_sec;
        const auto file = std::find_if(laid.begin(), laid.end(), [](const std::string& line) {
            return line.starts_with("save.txt 0");
        });
        EXPECT_EQ(untouched, file != laid.end() &&
                                 std::find(after.begin(), after.end(), *file) != after.end());
    }
    ::umask(mask);
}

} // namespace
