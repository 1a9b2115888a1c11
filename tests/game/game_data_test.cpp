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
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* defaultText =
    "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}";

[[nodiscard]] std::string reason(int error) {
    return std::strerror(error);
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
    void TearDown() override { fs::remove_all(dir); }

    static void write(const fs::path& path, const std::string& bytes) {
        std::ofstream out{path, std::ios::binary};
        out << bytes;
    }
    [[nodiscard]] static std::optional<std::string> read(const fs::path& path) {
        std::ifstream in{path, std::ios::binary};
        if (!in) {
            return std::nullopt;
        }
        return std::string{std::istreambuf_iterator<char>{in}, {}};
    }
    [[nodiscard]] std::vector<std::string> listing() const { return listing(dir); }
    [[nodiscard]] static std::vector<std::string> listing(const fs::path& where) {
        std::vector<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator{where}) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // Runs `body` in a child process; gives the text of the FileError it ended with, or "no error".
    [[nodiscard]] std::string inChild(const std::function<void()>& body) const {
        const fs::path said = dir.string() + ".said";
        const pid_t child = ::fork();
        if (child == 0) {
            write(said, errorOf(body));
            ::_exit(0);
        }
        ::waitpid(child, nullptr, 0);
        const std::optional<std::string> message = read(said);
        fs::remove(said);
        return message.value_or("the child said nothing");
    }
    [[nodiscard]] static std::string errorOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const FileError& e) {
            return e.what();
        }
        return "no error";
    }
    // What the game does: read before play, save the same record after it.
    void playOnce() const { playOnce(save); }
    static void playOnce(const std::string& path) {
        const SaveFile loaded = readSaveFile(path);
        saveGameData(path, loaded.data, loaded.old);
    }
};

// Run as an unprivileged user by the ctest entry save_tests.unprivileged: as root, permissions
// hide what these look for.
class SaveFilesAsPlayer : public SaveFiles {
  protected:
    void SetUp() override {
        SaveFiles::SetUp();
        if (::geteuid() == 0) {
            GTEST_SKIP() << "runs unprivileged";
        }
    }
};

struct ReadCase {
    const char* name;
    std::optional<std::string> content; // nullopt: no file
    SaveFile expected;
    std::uintmax_t size = 0; // when set, the file is cut or grown to it
};

TEST_F(SaveFiles, ReadsWhatIsThere) {
    const GameData small{5, 20, 3, 7, {"herb"}};
    const std::string record = "GameData {hp = 1, hpMax = 2, turn = 3, gold = 4, items = []}";
    const auto gold = [](const std::string& value) {
        return "GameData {hp = 10, hpMax = 10, turn = 0, gold = " + value + ", items = []}";
    };
    GameData reduced;
    reduced.gold = std::numeric_limits<std::int32_t>::min();
    const GameData fiveMegabytes{1, 2, 3, 4, {std::string(5u << 20, 'x')}};
    const ReadCase cases[] = {
        {"Missing", std::nullopt, {defaultGameData, OldBytes::Replace}},
        {"Empty", "", {defaultGameData, OldBytes::Replace}},
        {"Record",
         "GameData{hp=5,hpMax=20,turn=3,gold=7,items=[\"herb\"]}",
         {small, OldBytes::Replace}},
        {"Malformed", "GameData {hp = 1O}", {defaultGameData, OldBytes::KeepAsBackup}},
        {"Only white space", " \n", {defaultGameData, OldBytes::KeepAsBackup}},
        {"Not text", "\xff\xfe\x00\x01", {defaultGameData, OldBytes::KeepAsBackup}},
        // Read as specified, but kept when the written form would lose bytes (more in the next
        // test): not for a U+FFFD of the file's own, or numbers at the ends of the range.
        {"A U+FFFD of its own",
         "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [\"\xEF\xBF\xBD\"]}",
         {GameData{10, 10, 0, 1000, {"\uFFFD"}}, OldBytes::Replace}},
        {"Gold reduced past many digits",
         gold("-0x1000000080000000"),
         {reduced, OldBytes::KeepAsBackup}},
        {"Largest gold",
         gold("2147483647"),
         {GameData{10, 10, 0, 2147483647, {}}, OldBytes::Replace}},
        {"Smallest gold", gold("- 2147483648"), {reduced, OldBytes::Replace}},
        {"A five-megabyte item", gameDataToText(fiveMegabytes), {fiveMegabytes, OldBytes::Replace}},
        // Decided from the size before reading: 8 GB once took 105 s and 8.4 GB of memory.
        {"Over the size limit",
         record,
         {defaultGameData, OldBytes::KeepAsBackup},
         saveSizeLimit + 1},
        {"Eight gigabytes", record, {defaultGameData, OldBytes::KeepAsBackup}, 8ull << 30},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(save);
        if (c.content) {
            write(save, *c.content);
        }
        if (c.size > 0) {
            fs::resize_file(save, c.size); // sparse: the disk holds only the record
        }
        EXPECT_EQ(readSaveFile(save), c.expected);
        EXPECT_EQ(loadGameData(save), c.expected.data);
    }
}

struct PlayCase {
    const char* name;
    std::optional<std::string> content; // nullopt: no file
    std::string saved;
    std::optional<std::string> backup; // nullopt: none made
    mode_t before = 0644;
    mode_t after = 0644; // with umask 022
};

// A record keeps its mode; after bytes that were kept as a backup the file gets the default.
TEST_F(SaveFiles, PlayWritesTheRecordAndKeepsWhatItWouldLose) {
    const std::string spaceless = "GameData{hp=10,hpMax=10,turn=0,gold=1000,items=[]}";
    const std::string shiftJis = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, "
                                 "items = [\"\x8c\x95\", \"\x8f\x82\"]}";
    const std::string bigGold = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 5000000000, "
                                "items = []}";
    const PlayCase cases[] = {
        {"No file", std::nullopt, defaultText, std::nullopt},
        {"The record as written", defaultText, defaultText, std::nullopt, 0444, 0444},
        {"Spaceless record", spaceless, defaultText, std::nullopt, 0640, 0640},
        {"Read-only record", spaceless, defaultText, std::nullopt, 0444, 0444},
        {"Record of mode 0", spaceless, defaultText, std::nullopt, 0000, 0000},
        {"Not a record", "typo", defaultText, "typo", 0640, 0644},
        {"Items in Shift-JIS", shiftJis,
         R"(GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, )"
         R"(items = ["\65533\65533","\65533\65533"]})",
         shiftJis},
        {"Gold past 32 bits", bigGold,
         "GameData {hp = 10, hpMax = 10, turn = 0, gold = 705032704, items = []}", bigGold},
    };
    const mode_t mask = ::umask(022);
    for (const PlayCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir);
        fs::create_directory(dir);
        struct stat before {};
        if (c.content) {
            write(save, *c.content);
            ASSERT_EQ(::chmod(save.c_str(), c.before), 0);
            fs::last_write_time(save, fs::last_write_time(save) - std::chrono::hours{1});
            ASSERT_EQ(::stat(save.c_str(), &before), 0);
        }
        playOnce();
        EXPECT_EQ(read(save), c.saved);
        EXPECT_EQ(read(dir / "save.txt.bak"), c.backup);
        EXPECT_EQ(listing().size(), c.backup ? 2u : 1u);
        struct stat after {};
        ASSERT_EQ(::stat(save.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, c.after);
        // The same bytes are not written again: most saves of this game.
        EXPECT_EQ(c.content == c.saved,
                  after.st_ino == before.st_ino && after.st_mtim.tv_sec == before.st_mtim.tv_sec);
    }
    ::umask(mask);
}

TEST_F(SaveFiles, BackupsNeverReplaceOneAnother) {
    const std::string typo = "GameData {hp = 10, hpMax = 10, turn = 0, gold =-1000, items = []}";
    write(dir / "save.txt.bak", "an older backup");
    fs::create_directories(dir / "save.txt.bak.1" / "inside");
    for (const std::string& bytes : {typo, std::string{"typo"}}) {
        write(save, bytes);
        playOnce();
        EXPECT_EQ(read(save), defaultText);
    }
    EXPECT_EQ(read(dir / "save.txt.bak"), "an older backup");
    EXPECT_EQ(read(dir / "save.txt.bak.2"), typo);
    EXPECT_EQ(read(dir / "save.txt.bak.3"), "typo");
    EXPECT_EQ(listing(), (std::vector<std::string>{"save.txt", "save.txt.bak", "save.txt.bak.1",
                                                   "save.txt.bak.2", "save.txt.bak.3"}));
}

struct FailCase {
    const char* name;
    std::string path; // relative to the test directory
    std::string message;
};

TEST_F(SaveFiles, UnwritablePlacesGiveAnErrorNamingTheFile) {
    write(dir / "file", "not a directory");
    fs::create_directories(dir / "taken" / "save.txt" / "inside");
    fs::create_directory(dir / "loop");
    fs::create_symlink("save.txt", dir / "loop" / "save.txt");
    fs::create_directory(dir / "fifo");
    ASSERT_EQ(::mkfifo((dir / "fifo" / "pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", dir / "fifo" / "save.txt");
    const FailCase cases[] = {
        {"Missing directory", "missing/save.txt", "save.txt: " + reason(ENOENT)},
        {"Parent is a regular file", "file/save.txt", "save.txt: " + reason(ENOTDIR)},
        {"A directory in its place", "taken/save.txt", "save.txt: " + reason(EISDIR)},
        {"A link to itself", "loop/save.txt", "save.txt: " + reason(ELOOP)},
        {"A link to a FIFO", "fifo/save.txt", "save.txt: Not a regular file"},
    };
    const std::vector<std::string> before = listing();
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Read as no file (a FIFO without blocking), the default is the record to save.
        EXPECT_EQ(errorOf([&] { playOnce((dir / c.path).string()); }), c.message);
        EXPECT_EQ(listing(), before);
        EXPECT_EQ(read(dir / "file"), "not a directory");
        EXPECT_TRUE(fs::is_directory(dir / "taken" / "save.txt" / "inside"));
        EXPECT_EQ(std::distance(fs::directory_iterator{dir / "taken"}, {}), 1);
        EXPECT_EQ(listing(dir / "loop"), std::vector<std::string>{"save.txt"});
        EXPECT_TRUE(fs::is_fifo(dir / "fifo" / "pipe"));
        EXPECT_EQ(listing(dir / "fifo"), (std::vector<std::string>{"pipe", "save.txt"}));
    }
}

TEST_F(SaveFiles, SaveGoesThroughSymbolicLinks) {
    const fs::path elsewhere = dir / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_symlink("elsewhere/link", save);
    fs::create_symlink(elsewhere / "record.txt", elsewhere / "link");
    write(elsewhere / "record.txt", "typo");
    playOnce();
    EXPECT_EQ(read(elsewhere / "record.txt"), defaultText);
    EXPECT_EQ(read(elsewhere / "record.txt.bak"), "typo");
    EXPECT_TRUE(fs::is_symlink(save) && fs::is_symlink(elsewhere / "link"));
    EXPECT_EQ(listing(elsewhere),
              (std::vector<std::string>{"link", "record.txt", "record.txt.bak"}));
    // A link to a file not yet there makes the file.
    fs::remove(elsewhere / "record.txt");
    playOnce();
    EXPECT_EQ(read(elsewhere / "record.txt"), defaultText);
    EXPECT_EQ(listing(), (std::vector<std::string>{"elsewhere", "save.txt"}));
}

// A file size limit makes the write fail half way, even as root. It runs in a child so the limit
// does not outlive the test.
TEST_F(SaveFiles, WriteFailingHalfWayLeavesTheOldFile) {
    const std::string old = "GameData {hp = 1, hpMax = 2, turn = 3, gold = 4, items = [\"old\"]}";
    write(save, old);
    GameData big;
    big.items.assign(10'000, "a long enough potion name");
    const std::string message = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        saveGameData(save, big);
    });
    EXPECT_EQ(message, "save.txt: " + reason(EFBIG));
    EXPECT_EQ(read(save), old);
    EXPECT_EQ(listing(), std::vector<std::string>{"save.txt"});
}

// A temporary file no save holds a lock on was left by a killed save: the next save removes it,
// just before it makes its own. Reading removes nothing.
TEST_F(SaveFiles, SaveRemovesWhatAKilledSaveLeftAndNothingElse) {
#ifdef GORUBADON_PORTABLE
    GTEST_SKIP() << "without file locks, leftovers stay";
#endif
    const std::vector<std::string> names{"save.txt", "save.txt.tmpHeld01", "save.txt.tmpLeft01",
                                         "save.txt.tmp_copy2"};
    for (const std::string& name : names) {
        write(dir / name, "typo");
    }
    const int held = ::open((dir / "save.txt.tmpHeld01").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(readSaveFile(save).data, defaultGameData);
    EXPECT_EQ(listing(), names);
    saveGameData(save, defaultGameData);
    ::close(held);
    EXPECT_EQ(listing(),
              (std::vector<std::string>{"save.txt", "save.txt.tmpHeld01", "save.txt.tmp_copy2"}));
}

// In a sticky folder (/tmp) save.txt is a link to another user's file that is not a record: the
// save can neither replace it nor remove a backup again, so it makes none.
TEST_F(SaveFiles, NoBackupWhereItCouldNotBeUndone) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to play two users";
    }
    fs::permissions(dir, fs::perms::all | fs::perms::sticky_bit);
    write(save, "typo");
    fs::permissions(save, fs::perms::all);
    const std::string message = inChild([&] {
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            playOnce();
        }
    });
    EXPECT_EQ(message, "save.txt: " + reason(EPERM));
    EXPECT_EQ(read(save), "typo");
    EXPECT_EQ(listing(), std::vector<std::string>{"save.txt"});
}

struct PlayerCase {
    const char* name;
    mode_t folder;
    mode_t file;
    std::string content; // all three: empty for no file
    std::string saved;
    std::string backup;
    std::string error; // of both plays
};

TEST_F(SaveFilesAsPlayer, NoFolderOrFileModeLosesARecord) {
    const std::string record = "GameData {hp = 5, hpMax = 20, turn = 3, gold = 7, items = []}";
    const std::string spaceless = "GameData{hp=5,hpMax=20,turn=3,gold=7,items=[]}";
    const std::string denied = "save.txt: " + reason(EACCES);
    const PlayerCase cases[] = {
        {"Unreadable record", 0755, 0000, record, defaultText, record, "no error"},
        // Never rewritten in place: where no temporary file can be made, the save fails.
        {"Write-protected folder", 0555, 0644, spaceless, spaceless, "", denied},
        // As on a read-only mount: the bytes are there already.
        {"Write-protected folder and file, the record", 0555, 0444, record, record, "", "no error"},
        {"Write-protected folder, no file", 0555, 0644, "", "", "", denied},
        {"Write-protected folder, a typo", 0555, 0644, "typo", "typo", "", denied},
        {"Folder that cannot be read or synced", 0333, 0644, spaceless, record, "", "no error"},
    };
    for (const PlayerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = dir / c.name;
        const fs::path path = folder / "save.txt";
        fs::create_directory(folder);
        if (!c.content.empty()) {
            write(path, c.content);
            fs::permissions(path, static_cast<fs::perms>(c.file));
        }
        fs::permissions(folder, static_cast<fs::perms>(c.folder));
        // The second play must find the first one's file readable and keep its backup.
        EXPECT_EQ(errorOf([&] { playOnce(path.string()); }), c.error);
        EXPECT_EQ(errorOf([&] { playOnce(path.string()); }), c.error);
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(read(path).value_or(""), c.saved);
        if (!c.backup.empty()) {
            fs::permissions(folder / "save.txt.bak", fs::perms::owner_read);
        }
        EXPECT_EQ(read(folder / "save.txt.bak").value_or(""), c.backup);
        EXPECT_EQ(listing(folder).size(), !c.saved.empty() + !c.backup.empty());
    }
}

} // namespace
