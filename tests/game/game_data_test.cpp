#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
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
    // Runs `body` in a child process while calling `meanwhile` over and over; gives the text of the
    // SaveError the child ended with, or "no error".
    [[nodiscard]] std::string inChild(
        const std::function<void()>& body, const std::function<void()>& meanwhile = [] {}) const {
        const fs::path said = dir.string() + ".said";
        const pid_t child = ::fork();
        if (child == 0) {
            write(said, errorOf(body));
            ::_exit(0);
        }
        while (child > 0 && ::waitpid(child, nullptr, WNOHANG) == 0) {
            meanwhile();
        }
        const std::optional<std::string> message = read(said);
        fs::remove(said);
        return message.value_or("the child said nothing");
    }
    [[nodiscard]] static std::string errorOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const SaveError& e) {
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
};

TEST_F(SaveFiles, ReadsWhatIsThere) {
    const GameData small{5, 20, 3, 7, {"herb"}};
    const ReadCase cases[] = {
        {"Missing", std::nullopt, {defaultGameData, OldSave::Replace}},
        {"Empty", "", {defaultGameData, OldSave::Replace}},
        {"Record",
         "GameData{hp=5,hpMax=20,turn=3,gold=7,items=[\"herb\"]}",
         {small, OldSave::Replace}},
        {"Malformed", "GameData {hp = 1O}", {defaultGameData, OldSave::KeepAsBackup}},
        {"Only white space", " \n", {defaultGameData, OldSave::KeepAsBackup}},
        {"Not text", "\xff\xfe\x00\x01", {defaultGameData, OldSave::KeepAsBackup}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(save);
        if (c.content) {
            write(save, *c.content);
        }
        EXPECT_EQ(readSaveFile(save), c.expected);
        EXPECT_EQ(loadGameData(save), c.expected.data);
    }
}

TEST_F(SaveFiles, SomethingElseInThePlaceOfTheFileGivesTheDefault) {
    fs::create_directory(save);
    EXPECT_EQ(readSaveFile(save), (SaveFile{defaultGameData, OldSave::Replace}));
    fs::remove(save);
    // A FIFO must not block the game waiting for a writer.
    ASSERT_EQ(::mkfifo(save.c_str(), 0600), 0);
    EXPECT_EQ(readSaveFile(save), (SaveFile{defaultGameData, OldSave::Replace}));
    // A path that runs through a regular file.
    write(dir / "file", "x");
    EXPECT_EQ(readSaveFile((dir / "file" / "save.txt").string()),
              (SaveFile{defaultGameData, OldSave::Replace}));
}

TEST_F(SaveFiles, NoFileGivesTheDefaultRecordAndNoBackup) {
    playOnce();
    EXPECT_EQ(read(save), defaultText);
    EXPECT_EQ(listing(), std::vector<std::string>{"save.txt"});
}

TEST_F(SaveFiles, RecordIsWrittenBackWithTheWrittenSpacing) {
    write(save, "(GameData{hp=5,hpMax=20,turn=3,gold = -7,items=[\"herb\"]})");
    playOnce();
    EXPECT_EQ(read(save), "GameData {hp = 5, hpMax = 20, turn = 3, gold = -7, items = [\"herb\"]}");
    EXPECT_EQ(listing(), std::vector<std::string>{"save.txt"});
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

TEST_F(SaveFiles, JapaneseItemsAreAsciiOnDisk) {
    GameData record;
    record.items = {"薬草", "ゴルバドンの剣"};
    saveGameData(save, record);
    const std::optional<std::string> bytes = read(save);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(std::all_of(bytes->begin(), bytes->end(),
                            [](char c) { return static_cast<unsigned char>(c) < 128; }));
    EXPECT_EQ(loadGameData(save), record);
}

TEST_F(SaveFiles, SaveKeepsTheModeOfTheOldFileButStaysReadable) {
    const std::pair<mode_t, mode_t> modes[] = {{0640, 0640}, {0444, 0644}, {0000, 0600}};
    struct stat st {};
    for (const auto& [before, after] : modes) {
        write(save, defaultText);
        ASSERT_EQ(::chmod(save.c_str(), before), 0);
        saveGameData(save, defaultGameData);
        ASSERT_EQ(::stat(save.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, after) << "old mode " << std::oct << before;
    }
    fs::remove(save);
    const mode_t old = ::umask(022);
    saveGameData(save, defaultGameData);
    ::umask(old);
    ASSERT_EQ(::stat(save.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
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
    const FailCase cases[] = {
        {"Missing directory", "missing/save.txt", "save.txt: " + reason(ENOENT)},
        {"Parent is a regular file", "file/save.txt", "save.txt: " + reason(ENOTDIR)},
        {"A directory in its place", "taken/save.txt", "save.txt: " + reason(EISDIR)},
        {"A link to itself", "loop/save.txt", "save.txt: " + reason(ELOOP)},
    };
    const std::vector<std::string> before = listing();
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(errorOf([&] { saveGameData((dir / c.path).string(), defaultGameData); }),
                  c.message);
        EXPECT_EQ(listing(), before);
        EXPECT_EQ(read(dir / "file"), "not a directory");
        EXPECT_TRUE(fs::is_directory(dir / "taken" / "save.txt" / "inside"));
        EXPECT_EQ(std::distance(fs::directory_iterator{dir / "taken"}, {}), 1);
        EXPECT_EQ(listing(dir / "loop"), std::vector<std::string>{"save.txt"});
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

// One game saves over and over while others start beside it: a start removes what a killed save
// left, never the file a running save is writing.
TEST_F(SaveFiles, StartRemovesWhatAKilledSaveLeftAndNothingElse) {
#ifdef GORUBADON_PORTABLE
    GTEST_SKIP() << "without file locks, leftovers stay";
#endif
    GameData big;
    big.items.assign(50'000, "a long enough potion name");
    saveGameData(save, big);
    int running = 0;
    const auto saves = [&] {
        for (int i = 0; i < 40; ++i) {
            saveGameData(save, big);
        }
    };
    EXPECT_EQ(inChild(saves, [&] { ++running, static_cast<void>(readSaveFile(save)); }),
              "no error");
    EXPECT_GT(running, 10) << "the starts did not overlap the saves";

    int left = 0;
    for (int round = 0; round < 100 && left == 0; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                saveGameData(save, big);
            }
        }
        ::usleep(static_cast<useconds_t>(20'000 + round * 1'000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        left = static_cast<int>(listing().size()) - 1;
    }
    ASSERT_EQ(left, 1) << "no kill landed inside a save";
    write(dir / "save.txt.tmp_copy2", "the player's own");
    EXPECT_EQ(readSaveFile(save), (SaveFile{big, OldSave::Replace}));
    EXPECT_EQ(listing(), (std::vector<std::string>{"save.txt", "save.txt.tmp_copy2"}));
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
        {"Write-protected folder", 0555, 0644, spaceless, record, "", "no error"},
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

TEST_F(SaveFiles, HundredMegabyteFile) {
    const std::size_t size = 100u << 20;
    {
        std::string padding(size, ' ');
        for (std::size_t i = 0; i < size; i += 80) {
            padding[i] = '\n';
        }
        write(save, padding + "GameData {hp = 1, hpMax = 2, turn = 3, gold = 4, items = []}");
    }
    EXPECT_EQ(readSaveFile(save), (SaveFile{GameData{1, 2, 3, 4, {}}, OldSave::Replace}));

    write(save, std::string(size, '('));
    EXPECT_EQ(readSaveFile(save), (SaveFile{defaultGameData, OldSave::KeepAsBackup}));
}

} // namespace
