// Feeds arbitrary bytes to the save-file reader. Whatever reads as a record must survive a trip
// through the writer unchanged, and the writer's text must be stable:
//   r1 = read(bytes), s1 = write(r1), r2 = read(s1), s2 = write(r2): r1 == r2 and s1 == s2.
// The same bytes as an item in memory, valid UTF-8 or not, must also give a text that reads back.
// And at the edge of the size limit, through save.txt: a record goes to a file that may hold
// exactly its text and reads back; one byte less, it is never written. The limit is set for each
// record, so that every input meets the edge; the 64 MiB one has rows in the save tests.
#include "game/game_data.hpp"
#include "game/game_data_text.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace Framework;
using namespace Game;

namespace fs = std::filesystem;

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

[[nodiscard]] bool isAsciiLine(const std::string& s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) {
            return false;
        }
    }
    return true;
}

// Under TMPDIR, which fuzz/run.sh points into memory (a save syncs to disk) and removes after.
const std::string savePath = [] {
    std::string dir = (fs::temp_directory_path() / "gorubadon-fuzz-XXXXXX").string();
    check(::mkdtemp(dir.data()) != nullptr);
    return dir + "/save.txt";
}();

[[nodiscard]] std::optional<std::string> saved() {
    std::ifstream in{savePath, std::ios::binary};
    return in ? std::optional{std::string{std::istreambuf_iterator<char>{in}, {}}} : std::nullopt;
}

void atTheEdge(const GameData& record) {
    const std::uintmax_t size = gameDataTextSize(record);
    fs::remove(savePath);
    saveGameData(savePath, record, OldBytes::Replace, size);
    check(readSaveFile(savePath, size) == SaveFile{record, OldBytes::Replace});
    fs::remove(savePath);
    try {
        saveGameData(savePath, record, OldBytes::Replace, size - 1);
        check(false);
    } catch (const FileError&) {
        check(!saved());
    }
}

void roundTrip(const GameData& record) {
    const std::string s1 = gameDataToText(record);
    check(isAsciiLine(s1) && gameDataTextSize(record) == s1.size());
    const std::optional<GameData> r2 = gameDataFromText(s1);
    check(r2.has_value() && *r2 == record);
    check(gameDataToText(*r2) == s1);
    atTheEdge(record);
}

// The bytes as save.txt, under a limit their record's text just passes: a record the file held
// exactly is played and kept as it is; one read with changes is put aside for the default.
void keptInAShorterForm(std::string_view bytes, const TextRecord& read) {
    const std::uintmax_t limit = gameDataTextSize(read.data) - 1;
    if (bytes.size() > limit) {
        return;
    }
    std::ofstream{savePath, std::ios::binary | std::ios::trunc} << bytes;
    const SaveFile file = readSaveFile(savePath, limit);
    if (!read.exact) {
        check(file == SaveFile{defaultGameData, OldBytes::KeepAsBackup});
        return;
    }
    check(file == SaveFile{read.data, OldBytes::Replace});
    saveGameData(savePath, file.data, file.old, limit);
    check(saved() == bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes{reinterpret_cast<const char*>(data), size};
    if (const std::optional<TextRecord> r1 = readGameDataText(bytes, UINTMAX_MAX)) {
        roundTrip(r1->data);
        keptInAShorterForm(bytes, *r1);
    }

    GameData holder;
    holder.items.push_back(bytes);
    const std::string s1 = gameDataToText(holder);
    check(isAsciiLine(s1));
    const std::optional<GameData> back = gameDataFromText(s1);
    check(back.has_value());
    roundTrip(*back);
    return 0;
}
