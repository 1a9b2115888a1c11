// The player's record in its file: what a play reads, and what it leaves behind. How the file is
// replaced is tested in tests/framework/durable_file_test.cpp.
#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include "tests/framework/table_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

using namespace Framework;
using namespace Game;

namespace fs = std::filesystem;

const std::string defaultText = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}";

[[nodiscard]] std::string items(const std::string& list) {
    return "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [" + list + "]}";
}
[[nodiscard]] std::string spaceless(std::string text) {
    std::erase(text, ' ');
    return text;
}
[[nodiscard]] GameData withItem(std::string item) {
    GameData data;
    data.items.push_back(std::move(item));
    return data;
}
// A play reads `before` (nothing: no file) as `read`, then leaves `after` in save.txt and `backup`
// (nothing: none) in save.txt.bak. A second play reads `after` as the record and writes nothing.
struct GameCase {
    std::optional<std::string> before;
    SaveFile read;
    std::string after;
    std::optional<std::string> backup;
};
struct GameRow {
    const char* name;
    GameCase (*make)(); // the files at the limit are made only for their own row
};

constexpr OldBytes keep = OldBytes::KeepAsBackup;
constexpr OldBytes replace = OldBytes::Replace;
// The game's limit; under the sanitizers, whose reads of 64 MiB take minutes, a smaller one that
// the same rows meet at its edge.
#ifdef GORUBADON_SANITIZED
constexpr std::size_t limit = 1 << 20;
#else
constexpr std::size_t limit = saveSizeLimit;
#endif

// clang-format off
const GameRow gameRows[] = {
    {"No file", [] { return GameCase{std::nullopt, {}, defaultText, {}}; }},
    {"Empty file", [] { return GameCase{"", {}, defaultText, {}}; }},
    {"The record as written", [] { return GameCase{defaultText, {}, defaultText, {}}; }},
    {"Spaceless record", [] { return GameCase{spaceless(defaultText), {}, defaultText, {}}; }},
    {"Not a record", [] { return GameCase{"typo", {defaultGameData, keep}, defaultText, "typo"}; }},
    // Kept when the written form would lose bytes: not for a U+FFFD of the file's own, or
    // numbers at the ends of the range.
    {"A U+FFFD of its own", [] {
         return GameCase{items("\"\xEF\xBF\xBD\""), {withItem("\uFFFD"), replace},
                         items(R"("\65533")"), {}};
     }},
    {"Largest and smallest numbers", [] {
         return GameCase{"GameData {hp = 0x7FFFFFFF, hpMax = - 2147483648, turn = 0, gold = 1000, "
                         "items = []}",
                         {GameData{2147483647, -2147483647 - 1, 0, 1000, {}}, replace},
                         "GameData {hp = 2147483647, hpMax = -2147483648, turn = 0, gold = 1000, "
                         "items = []}", {}};
     }},
    {"Items in Shift-JIS", [] {
         const std::string sjis = items("\"\x8c\x95\", \"\x8f\x82\"");
         GameData read;
         read.items = {"\uFFFD\uFFFD", "\uFFFD\uFFFD"};
         return GameCase{sjis, {read, keep}, items(R"("\65533\65533","\65533\65533")"), sjis};
     }},
    {"Gold past 32 bits", [] {
         const std::string big = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 5000000000, "
                                 "items = []}";
         return GameCase{big, {GameData{10, 10, 0, 705032704, {}}, keep},
                         "GameData {hp = 10, hpMax = 10, turn = 0, gold = 705032704, items = []}",
                         big};
     }},
    // Decided from the size: a record padded with spaces is one up to the limit, and is not past it.
    {"Padded to the limit", [] {
         return GameCase{defaultText + std::string(limit - defaultText.size(), ' '), {},
                         defaultText, {}};
     }},
    {"Padded past the limit", [] {
         const std::string padded = defaultText + std::string(limit + 1 - defaultText.size(), ' ');
         return GameCase{padded, {defaultGameData, keep}, defaultText, padded};
     }},
    // Whatever is written reads back: a record whose written form would pass the limit is never
    // written, and a file that holds it in a shorter form keeps it.
    {"Written form at the limit", [] {
         const std::string item(limit - items("\"\"").size(), 'a');
         return GameCase{spaceless(items('"' + item + '"')), {withItem(item), replace},
                         items('"' + item + '"'), {}};
     }},
    {"Written form past the limit", [] {
         const std::string item(limit + 1 - items("\"\"").size(), 'a');
         const std::string file = spaceless(items('"' + item + '"'));
         return GameCase{file, {withItem(item), replace}, file, {}};
     }},
    {"Raw Japanese twice as long written", [] {
         std::string item;
         while (item.size() < limit * 3 / 4) {
             item += "剣";
         }
         return GameCase{items('"' + item + '"'), {withItem(item), replace}, items('"' + item + '"'),
                         {}};
     }},
    {"Raw control characters four times as long written", [] {
         const std::string item(limit / 3, '\x01');
         return GameCase{items('"' + item + '"'), {withItem(item), replace}, items('"' + item + '"'),
                         {}};
     }},
    // Not the file's record, and too large to write: kept aside as other bytes are.
    {"Invalid UTF-8 six times as long written", [] {
         const std::string file = items('"' + std::string(limit / 5, '\xff') + '"');
         return GameCase{file, {defaultGameData, keep}, defaultText, file};
     }},
};
// clang-format on

class SaveFiles : public testing::Test {
  protected:
    fs::path dir;
    std::string save;

    void SetUp() override {
        dir = TestSupport::freshFolder();
        save = (dir / "save.txt").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    [[nodiscard]] std::optional<std::string> contents(const std::string& name) const {
        std::ifstream in{dir / name, std::ios::binary};
        if (!in) {
            return std::nullopt;
        }
        return std::string{std::istreambuf_iterator<char>{in}, {}};
    }
};

class GameFile : public SaveFiles, public testing::WithParamInterface<GameRow> {};

void PrintTo(const GameRow& row, std::ostream* out) {
    *out << row.name;
}

TEST_P(GameFile, APlayKeepsWhatItWouldLose) {
    const GameCase c = GetParam().make();
    if (c.before) {
        std::ofstream{save, std::ios::binary} << *c.before;
    }
    const SaveFile read = readSaveFile(save, limit);
    EXPECT_TRUE(read == c.read) << "read " << read.data.items.size() << " items, old bytes "
                                << (read.old == keep ? "kept" : "replaced");
    saveGameData(save, read.data, read.old, limit);
    EXPECT_TRUE(contents("save.txt") == c.after);
    EXPECT_TRUE(contents("save.txt.bak") == c.backup);
    const SaveFile again = readSaveFile(save, limit);
    EXPECT_TRUE(again == (SaveFile{read.data, replace}));
    const auto written = fs::last_write_time(save);
    saveGameData(save, again.data, again.old, limit);
    EXPECT_EQ(fs::last_write_time(save), written);
}

INSTANTIATE_TEST_SUITE_P(Plays, GameFile, testing::ValuesIn(gameRows),
                         [](const testing::TestParamInfo<GameRow>& info) {
                             return TestSupport::rowName(info.param.name);
                         });

// 8 GB once took 105 s and 8.4 GB of memory: decided from the size, on a sparse file.
TEST_F(SaveFiles, EightGigabytesAreNotRead) {
    std::ofstream{save} << defaultText;
    fs::resize_file(save, std::uintmax_t{8} << 30);
    EXPECT_TRUE(readSaveFile(save) == (SaveFile{defaultGameData, keep}));
}

TEST_F(SaveFiles, ARecordTooLargeToReadBackIsNotWritten) {
    const GameData large = withItem(std::string(limit, 'a'));
    try {
        saveGameData(save, large, OldBytes::Replace, limit);
        ADD_FAILURE() << "saved";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "save.txt: File too large");
    }
    EXPECT_FALSE(fs::exists(save));
}

} // namespace
