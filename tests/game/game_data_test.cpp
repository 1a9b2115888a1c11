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
#include <iterator>
#include <optional>
#include <string>
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
    [[nodiscard]] std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator{dir}) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // What the game does: read before play, save the same record after it.
    void playOnce() {
        const SaveFile loaded = readSaveFile(save);
        saveGameData(save, loaded.data, loaded.old);
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

TEST_F(SaveFiles, MalformedFileIsKeptAsBackup) {
    const std::string typo = "GameData {hp = 10, hpMax = 10, turn = 0, gold =-1000, items = []}";
    write(save, typo);
    write(dir / "save.txt.bak", "an older backup");
    playOnce();
    EXPECT_EQ(read(save), defaultText);
    EXPECT_EQ(read(dir / "save.txt.bak"), typo);
    EXPECT_EQ(listing(), (std::vector<std::string>{"save.txt", "save.txt.bak"}));
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

TEST_F(SaveFiles, SaveKeepsTheModeOfTheOldFile) {
    write(save, defaultText);
    ASSERT_EQ(::chmod(save.c_str(), 0640), 0);
    saveGameData(save, defaultGameData);
    struct stat st {};
    ASSERT_EQ(::stat(save.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

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
    const FailCase cases[] = {
        {"Missing directory", "missing/save.txt", "save.txt: " + reason(ENOENT)},
        {"Parent is a regular file", "file/save.txt", "save.txt: " + reason(ENOTDIR)},
        {"A directory in its place", "taken/save.txt", "save.txt: " + reason(EISDIR)},
    };
    const std::vector<std::string> before = listing();
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            saveGameData((dir / c.path).string(), defaultGameData);
            ADD_FAILURE() << "no error";
        } catch (const SaveError& e) {
            EXPECT_EQ(std::string{e.what()}, c.message);
        }
        EXPECT_EQ(listing(), before);
        EXPECT_EQ(read(dir / "file"), "not a directory");
        EXPECT_TRUE(fs::is_directory(dir / "taken" / "save.txt" / "inside"));
        EXPECT_EQ(std::distance(fs::directory_iterator{dir / "taken"}, {}), 1);
    }
}

TEST_F(SaveFiles, FailedBackupLeavesTheOldFile) {
    write(save, "typo");
    fs::create_directories(dir / "save.txt.bak" / "inside");
    const SaveFile loaded = readSaveFile(save);
    ASSERT_EQ(loaded.old, OldSave::KeepAsBackup);
    try {
        saveGameData(save, loaded.data, loaded.old);
        ADD_FAILURE() << "no error";
    } catch (const SaveError& e) {
        EXPECT_EQ(std::string{e.what()}, "save.txt.bak: " + reason(EISDIR));
    }
    EXPECT_EQ(read(save), "typo");
    EXPECT_EQ(listing(), (std::vector<std::string>{"save.txt", "save.txt.bak"}));
}

// A file size limit makes the write fail half way, even as root. It runs in a child so the limit
// does not outlive the test; the child reports the error text through a pipe.
TEST_F(SaveFiles, WriteFailingHalfWayLeavesTheOldFile) {
    const std::string old = "GameData {hp = 1, hpMax = 2, turn = 3, gold = 4, items = [\"old\"]}";
    write(save, old);
    GameData big;
    big.items.assign(10'000, "a long enough potion name");

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string message = "no error";
        try {
            saveGameData(save, big);
        } catch (const SaveError& e) {
            message = e.what();
        }
        const ssize_t written = ::write(fds[1], message.data(), message.size());
        ::_exit(written == static_cast<ssize_t>(message.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string message;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(message, "save.txt: " + reason(EFBIG));
    EXPECT_EQ(read(save), old);
    EXPECT_EQ(listing(), std::vector<std::string>{"save.txt"});
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
