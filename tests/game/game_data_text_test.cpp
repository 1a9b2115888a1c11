#include "game/game_data_text.hpp"

#include <gtest/gtest.h>

#include <compare>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Framework;
using namespace Game;

using namespace std::string_literals;

constexpr const char* defaultText =
    "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}";

[[nodiscard]] GameData withGold(std::int32_t gold) {
    GameData d;
    d.gold = gold;
    return d;
}
[[nodiscard]] GameData withItems(ItemList items) {
    GameData d;
    d.items = std::move(items);
    return d;
}
[[nodiscard]] std::string goldText(const std::string& gold) {
    return "GameData {hp = 10, hpMax = 10, turn = 0, gold = " + gold + ", items = []}";
}
[[nodiscard]] std::string itemsText(const std::string& items) {
    return "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = " + items + "}";
}
[[nodiscard]] std::string repeat(const std::string& s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}
[[nodiscard]] bool isAsciiLine(const std::string& s) {
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126) {
            return false;
        }
    }
    return true;
}

// ---- the written form ----

struct WriteCase {
    const char* name;
    GameData data;
    std::string text;
};

TEST(GameDataText, WritesTheExactForm) {
    const WriteCase cases[] = {
        {"Default", defaultGameData, defaultText},
        {"Negatives and limits",
         GameData{-1,
                  std::numeric_limits<std::int32_t>::min(),
                  std::numeric_limits<std::int32_t>::max(),
                  -7,
                  {}},
         "GameData {hp = -1, hpMax = -2147483648, turn = 2147483647, gold = -7, items = []}"},
        {"One item", withItems({"herb"}), itemsText("[\"herb\"]")},
        {"Items without spaces", withItems({"herb", "", "sword"}),
         itemsText("[\"herb\",\"\",\"sword\"]")},
        {"Quote and backslash", withItems({"a\"b\\c"}), itemsText(R"(["a\"b\\c"])")},
        {"Control mnemonics", withItems({"\0\1\2\3\4\5\6\7\b\t\n\v\f\r\16\17"s}),
         itemsText(R"(["\NUL\SOH\STX\ETX\EOT\ENQ\ACK\a\b\t\n\v\f\r\SO\SI"])")},
        {"More control mnemonics", withItems({"\20\21\22\23\24\25\26\27\30\31\32\33\34\35\36\37"}),
         itemsText(R"(["\DLE\DC1\DC2\DC3\DC4\NAK\SYN\ETB\CAN\EM\SUB\ESC\FS\GS\RS\US"])")},
        {"Printable ASCII as itself", withItems({" !#~azAZ09{}&'"}),
         itemsText(R"([" !#~azAZ09{}&'"])")},
        {"DEL", withItems({"\x7f"}), itemsText(R"(["\DEL"])")},
        {"Decimal escapes by code point", withItems({"\u0080é\u3042\U0001F600\U0010FFFF"}),
         itemsText(R"(["\128\233\12354\128512\1114111"])")},
        {"Digit after a decimal escape", withItems({"あ1", "あ12", "あa"}),
         itemsText(R"(["\12354\&1","\12354\&12","\12354a"])")},
        {"Digit after a mnemonic needs nothing",
         withItems({"\x7f"
                    "1",
                    "\x0e"
                    "1"}),
         itemsText(R"(["\DEL1","\SO1"])")},
        {"H after SO",
         withItems({"\x0eH", "\x0eh",
                    "\x0f"
                    "H",
                    "\x0e\x0eH"}),
         itemsText(R"(["\SO\&H","\SOh","\SIH","\SO\SO\&H"])")},
        {"Japanese is ASCII on disk", withItems({"ゴルバドン"}),
         itemsText(R"(["\12468\12523\12496\12489\12531"])")},
        // Bytes that are not UTF-8 go out as U+FFFD, one per maximal bad subpart.
        {"Invalid UTF-8 in memory",
         withItems({"\xff", "a\xe3\x81", "\xed\xa0\x80",
                    "\xc0\xaf"
                    "1"}),
         itemsText(R"(["\65533","a\65533","\65533\65533\65533","\65533\65533\&1"])")},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gameDataToText(c.data), c.text);
    }
}

// ---- round trips ----

// Pieces that stress the escapes: every control character, the characters the writer must
// escape, digits and H that could extend an escape, and characters of every UTF-8 length.
[[nodiscard]] std::vector<std::string> itemPieces() {
    std::vector<std::string> pieces;
    for (int c = 0; c < 32; ++c) {
        pieces.emplace_back(1, static_cast<char>(c));
    }
    for (const char* p : {"\x7f",   "\"", "\\",         "0",      "1",      "9", "H",
                          "h",      "a",  " ",          "&",      "'",      "é", "\u0080",
                          "\u07ff", "あ", "ゴルバドン", "\ufffd", "\uffff", "😀", "\U0010FFFF"}) {
        pieces.emplace_back(p);
    }
    return pieces;
}

[[nodiscard]] GameData randomRecord(std::mt19937& rng, const std::vector<std::string>& pieces) {
    const auto int32 = [&] { return static_cast<std::int32_t>(rng()); };
    GameData d{int32(), int32(), int32(), int32(), {}};
    const std::uint32_t count = rng() % 7;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string item;
        const std::uint32_t length = rng() % 13;
        for (std::uint32_t k = 0; k < length; ++k) {
            item += pieces[rng() % pieces.size()];
        }
        d.items.push_back(item);
    }
    return d;
}

TEST(GameDataText, GeneratedRecordsReadBack) {
    const std::vector<std::string> pieces = itemPieces();
    std::mt19937 rng{20240601};
    for (int i = 0; i < 2000; ++i) {
        const GameData record = randomRecord(rng, pieces);
        const std::string text = gameDataToText(record);
        SCOPED_TRACE(text);
        ASSERT_TRUE(isAsciiLine(text));
        const std::optional<GameData> back = gameDataFromText(text);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, record);
    }
}

TEST(GameDataText, ArbitraryBytesInItemsStillReadBack) {
    std::mt19937 rng{7};
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(rng() % 24, '\0');
        for (char& b : bytes) {
            b = static_cast<char>(rng());
        }
        const std::string text = gameDataToText(withItems({bytes}));
        SCOPED_TRACE(text);
        ASSERT_TRUE(isAsciiLine(text));
        const std::optional<GameData> back = gameDataFromText(text);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(gameDataToText(*back), text);
    }
}

// ---- the reader ----

struct ReadCase {
    const char* name;
    std::string text;
    std::optional<GameData> expected; // nullopt: not a record
};

void checkReads(const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gameDataFromText(c.text), c.expected);
    }
}

TEST(GameDataText, ReadsTokensAndLayout) {
    const GameData small{5, 20, 3, 7, {}};
    checkReads({
        {"Written form", defaultText, defaultGameData},
        {"No spaces at all", "GameData{hp=5,hpMax=20,turn=3,gold=7,items=[]}", small},
        {"Lots of white space",
         " \n\tGameData\r\n{ hp\t=\v5 ,hpMax =\f20, turn= 3 ,gold = 7 ,"
         "items = [ ] } \n ",
         small},
        {"Ideographic space", "GameData\u3000{hp\u3000=\u30005,hpMax=20,turn=3,gold=7,items=[]}",
         small},
        {"No-break space",
         "\u00a0GameData\u00a0{hp = 5, hpMax = 20, turn = 3, gold = 7, "
         "items = []}\u00a0",
         small},
        {"Other space separators",
         "GameData\u1680{hp\u2000=\u20035,hpMax\u200a=\u202f20,turn\u205f=3,gold=7,items=[]}",
         small},
        {"Zero-width space is not white space",
         "GameData\u200b{hp=5,hpMax=20,turn=3,gold=7,"
         "items=[]}",
         std::nullopt},
        {"Record in parentheses", "(" + std::string{defaultText} + ")", defaultGameData},
        {"Record in many parentheses", "( ((" + std::string{defaultText} + ") ) )",
         defaultGameData},
        {"Unbalanced parentheses, more open", "((" + std::string{defaultText} + ")", std::nullopt},
        {"Unbalanced parentheses, more closed", "(" + std::string{defaultText} + "))",
         std::nullopt},
        {"Parentheses inside the braces",
         "GameData {(hp = 10), hpMax = 10, turn = 0, "
         "gold = 1000, items = []}",
         std::nullopt},
        {"Fields out of order",
         "GameData {hpMax = 10, hp = 10, turn = 0, gold = 1000, "
         "items = []}",
         std::nullopt},
        {"Missing field", "GameData {hp = 10, hpMax = 10, gold = 1000, items = []}", std::nullopt},
        {"Extra field",
         "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, mp = 3, "
         "items = []}",
         std::nullopt},
        {"Field name with another case",
         "GameData {Hp = 10, hpMax = 10, turn = 0, "
         "gold = 1000, items = []}",
         std::nullopt},
        {"Longer field name",
         "GameData {hpx = 10, hpMax = 10, turn = 0, gold = 1000, "
         "items = []}",
         std::nullopt},
        {"Other type name", "Gamedata {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}",
         std::nullopt},
        {"Trailing comma", "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [],}",
         std::nullopt},
        {"Trailing character", std::string{defaultText} + "x", std::nullopt},
        {"Trailing punctuation", std::string{defaultText} + " ;", std::nullopt},
        {"Trailing operator", std::string{defaultText} + "=", std::nullopt},
        {"Two records", std::string{defaultText} + defaultText, std::nullopt},
        {"Empty text", "", std::nullopt},
        {"Only white space", " \n\u3000", std::nullopt},
        {"Cut short", std::string{defaultText}.substr(0, 40), std::nullopt},
        {"Colon instead of equals",
         "GameData {hp : 10, hpMax = 10, turn = 0, gold = 1000, "
         "items = []}",
         std::nullopt},
        {"Double equals", goldText("= 7"), std::nullopt},
        {"Invalid UTF-8 outside strings", "\xff" + std::string{defaultText}, std::nullopt},
        {"Invalid UTF-8 after the record", std::string{defaultText} + "\xa0", std::nullopt},
        {"Non-ASCII letter in a name",
         "GameData {hpé = 10, hpMax = 10, turn = 0, gold = 1000, "
         "items = []}",
         std::nullopt},
    });
}

TEST(GameDataText, ReadsIntegers) {
    constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
    checkReads({
        {"Space between equals and minus", goldText("-7"), withGold(-7)},
        {"Minus directly after equals",
         "GameData {hp = 10, hpMax = 10, turn = 0, gold =-7, items = []}", std::nullopt},
        {"Minus as its own token", goldText("- 7"), withGold(-7)},
        {"Two minus signs", goldText("--7"), std::nullopt},
        {"Plus sign", goldText("+7"), std::nullopt},
        {"Value in parentheses", goldText("(7)"), withGold(7)},
        {"Value in many parentheses", goldText("( (( 7)) )"), withGold(7)},
        {"Negative value in parentheses", goldText("(-7)"), withGold(-7)},
        {"Minus before parentheses", goldText("-(7)"), std::nullopt},
        {"Unbalanced value parentheses", goldText("((7)"), std::nullopt},
        {"Leading zeros", goldText("007"), withGold(7)},
        {"Hexadecimal", goldText("0x1F"), withGold(31)},
        {"Hexadecimal capital X", goldText("0XaB"), withGold(171)},
        {"Negative hexadecimal", goldText("-0x10"), withGold(-16)},
        {"Octal", goldText("0o17"), withGold(15)},
        {"Octal capital O", goldText("0O777"), withGold(511)},
        {"Hexadecimal without digits", goldText("0x"), std::nullopt},
        {"Hexadecimal with a bad digit", goldText("0xg"), std::nullopt},
        {"Octal with a bad digit", goldText("0o8"), std::nullopt},
        {"Binary is not a form", goldText("0b1"), std::nullopt},
        {"Letters after digits", goldText("10x"), std::nullopt},
        {"Fraction", goldText("1.5"), std::nullopt},
        {"Fraction in parentheses", goldText("(1.5)"), std::nullopt},
        {"Exponent", goldText("1e3"), std::nullopt},
        {"Capital exponent with sign", goldText("1E+3"), std::nullopt},
        {"Negative exponent", goldText("1e-3"), std::nullopt},
        {"Fraction and exponent", goldText("1.5e3"), std::nullopt},
        {"Dot without digits", goldText("1."), std::nullopt},
        {"Largest value", goldText("2147483647"), withGold(int32Max)},
        {"Smallest value", goldText("-2147483648"), withGold(int32Min)},
        {"Wraps above the range", goldText("2147483648"), withGold(int32Min)},
        {"Wraps below the range", goldText("-2147483649"), withGold(int32Max)},
        {"Wraps to minus one", goldText("4294967295"), withGold(-1)},
        {"Wraps to zero", goldText("4294967296"), withGold(0)},
        {"Wraps many times", goldText("12884901893"), withGold(5)},
        {"Hexadecimal wraps", goldText("0x1FFFFFFFF"), withGold(-1)},
        {"Octal wraps", goldText("0o40000000005"), withGold(5)},
    });
}

TEST(GameDataText, ReadsStringLists) {
    checkReads({
        {"One item", itemsText("[\"herb\"]"), withItems({"herb"})},
        {"Spaces around items", itemsText("[ \"a\" , \"b\" ]"), withItems({"a", "b"})},
        {"List in parentheses", itemsText("([\"herb\"])"), withItems({"herb"})},
        {"Empty list in parentheses", itemsText("(( [] ))"), defaultGameData},
        {"Item in parentheses", itemsText("[(\"a\"),((\"b\"))]"), withItems({"a", "b"})},
        {"Trailing comma", itemsText("[\"a\",]"), std::nullopt},
        {"Leading comma", itemsText("[,\"a\"]"), std::nullopt},
        {"Missing comma", itemsText("[\"a\" \"b\"]"), std::nullopt},
        {"Unclosed list", itemsText("[\"a\""), std::nullopt},
        {"Number in the list", itemsText("[1]"), std::nullopt},
        {"Unterminated string", itemsText("[\"a]"), std::nullopt},
        {"Raw non-ASCII", itemsText("[\"ゴルバドン😀\"]"), withItems({"ゴルバドン😀"})},
        {"Raw control characters", itemsText("[\"a\nb\tc\x01\"]"), withItems({"a\nb\tc\x01"})},
        {"Invalid UTF-8 inside a string",
         itemsText("[\"\xff"
                   "a\xe3\x81\"]"),
         withItems({"\ufffd"
                    "a\ufffd"})},
        {"Encoded surrogate inside a string", itemsText("[\"\xed\xa0\x80\"]"),
         withItems({"\ufffd\ufffd\ufffd"})},
        {"Overlong encoding inside a string", itemsText("[\"\xc0\xaf\xf8\"]"),
         withItems({"\ufffd\ufffd\ufffd"})},
    });
}

TEST(GameDataText, ReadsEscapes) {
    const auto item = [](const std::string& literal) { return itemsText("[\"" + literal + "\"]"); };
    checkReads({
        {"Quote and backslash", item(R"(\"\\)"), withItems({"\"\\"})},
        {"Single letters", item(R"(\a\b\f\n\r\t\v\')"), withItems({"\a\b\f\n\r\t\v'"})},
        {"SOH is one character", item(R"(\SOH)"), withItems({"\x01"})},
        {"SO, empty escape, H", item(R"(\SO\&H)"), withItems({"\x0eH"})},
        {"SO before another letter", item(R"(\SOx)"), withItems({"\x0ex"})},
        {"All mnemonics", item(R"(\NUL\STX\ETX\EOT\ENQ\ACK\BEL\BS\HT\LF\VT\FF\CR\SI\DLE)"),
         withItems({"\0\2\3\4\5\6\7\b\t\n\v\f\r\17\20"s})},
        {"More mnemonics", item(R"(\DC1\DC2\DC3\DC4\NAK\SYN\ETB\CAN\EM\SUB\ESC\FS\GS\RS\US)"),
         withItems({"\21\22\23\24\25\26\27\30\31\32\33\34\35\36\37"})},
        {"SP and DEL", item(R"(\SP\DEL)"), withItems({" \x7f"})},
        {"Unknown mnemonic", item(R"(\XYZ)"), std::nullopt},
        {"Control letters", item(R"(\^@\^A\^Z\^[\^_)"), withItems({"\0\1\32\33\37"s})},
        {"Control letter out of range", item(R"(\^a)"), std::nullopt},
        {"Decimal", item(R"(\12354\65)"), withItems({"あA"})},
        {"Decimal then empty escape then digit", item(R"(\12354\&1)"), withItems({"あ1"})},
        {"Decimal with many leading zeros", item("\\" + std::string(300, '0') + "65"),
         withItems({"A"})},
        {"Capital X is no escape", item(R"(\X41)"), std::nullopt},
        {"Hexadecimal lower and upper digits", item(R"(\x3042\x1F600\xfF)"), withItems({"あ😀ÿ"})},
        {"Octal", item(R"(\o30102\o101)"), withItems({"あA"})},
        {"Hexadecimal without digits", item(R"(\xg)"), std::nullopt},
        {"Octal without digits", item(R"(\o8)"), std::nullopt},
        {"Largest code point", item(R"(\1114111)"), withItems({"\U0010FFFF"})},
        {"Above the largest code point", item(R"(\1114112)"), std::nullopt},
        {"Hexadecimal above the largest", item(R"(\x110000)"), std::nullopt},
        {"Surrogate", item(R"(\55296)"), std::nullopt},
        {"Last surrogate", item(R"(\xDFFF)"), std::nullopt},
        {"After the surrogates", item(R"(\57344)"), withItems({"\ue000"})},
        {"Empty escapes only", item(R"(\&\&)"), withItems({""})},
        {"String gap", item("a\\   \\b"), withItems({"ab"})},
        {"String gap over lines", item("a\\\n\t \u3000\\b"), withItems({"ab"})},
        {"Unclosed string gap", item("a\\  b"), std::nullopt},
        {"Unknown escape", item(R"(\q)"), std::nullopt},
        {"Escaped non-ASCII", item("\\あ"), std::nullopt},
        {"Backslash at the end", itemsText("[\"\\"), std::nullopt},
    });
}

// Refused before room is taken for the items: a record read with changes whose items alone pass
// the size its text may have. One read exactly is not.
TEST(GameDataText, ItemsReadWithChangesPastTheSizeAreNoRecord) {
    const std::string changed = itemsText("[\"\xff\xff\"]"); // two U+FFFD, six bytes
    EXPECT_EQ(readGameDataText(changed, 6)->data, withItems({"\ufffd\ufffd"}));
    EXPECT_FALSE(readGameDataText(changed, 5).has_value());
    EXPECT_EQ(readGameDataText(itemsText("[\"abcdef\"]"), 5)->data, withItems({"abcdef"}));
}

// ---- ordering ----

struct OrderCase {
    const char* name;
    GameData lower;
    GameData higher;
};

TEST(GameDataOrder, FieldsDecideInDeclarationOrder) {
    const OrderCase cases[] = {
        {"hp first", GameData{1, 9, 9, 9, {"z"}}, GameData{2, 0, 0, 0, {}}},
        {"hpMax after hp", GameData{1, 1, 9, 9, {"z"}}, GameData{1, 2, 0, 0, {}}},
        {"turn after hpMax", GameData{1, 1, 1, 9, {"z"}}, GameData{1, 1, 2, 0, {}}},
        {"gold after turn", GameData{1, 1, 1, 1, {"z"}}, GameData{1, 1, 1, 2, {}}},
        {"negative before positive", withGold(-1), withGold(0)},
        {"prefix list first", withItems({"a"}), withItems({"a", ""})},
        {"empty list first", withItems({}), withItems({""})},
        {"items element by element", withItems({"a", "z"}), withItems({"b"})},
        {"prefix string first", withItems({"ab"}), withItems({"abc"})},
        {"code point order past ASCII", withItems({"\x7f"}), withItems({"é"})},
        {"code point order past the BMP", withItems({"\uffff"}), withItems({"😀"})},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.lower <=> c.higher, std::strong_ordering::less);
        EXPECT_EQ(c.higher <=> c.lower, std::strong_ordering::greater);
        EXPECT_NE(c.lower, c.higher);
        EXPECT_EQ(c.lower <=> GameData{c.lower}, std::strong_ordering::equal);
    }
}

// ---- hostile inputs (bounded by the test's TIMEOUT, not timed here) ----

TEST(GameDataHostile, MillionNestedParenthesesAroundTheRecord) {
    const std::size_t n = 1'000'000;
    const std::string text = repeat("(", n) + goldText("7") + repeat(")", n);
    EXPECT_EQ(gameDataFromText(text), withGold(7));
}

TEST(GameDataHostile, MillionNestedParenthesesAroundAValue) {
    const std::size_t n = 1'000'000;
    EXPECT_EQ(gameDataFromText(goldText(repeat("(", n) + "-7" + repeat(")", n))), withGold(-7));
    EXPECT_EQ(gameDataFromText(itemsText(repeat("(", n) + "[]" + repeat(")", n))), defaultGameData);
}

TEST(GameDataHostile, MillionOpenParenthesesAlone) {
    EXPECT_EQ(gameDataFromText(repeat("(", 1'000'000)), std::nullopt);
    EXPECT_EQ(gameDataFromText(goldText(repeat("(", 1'000'000))), std::nullopt);
}

TEST(GameDataHostile, FiveMegabyteString) {
    const GameData record = withItems({repeat("aあ\\\"1\x0e", 5'000'000 / 10)});
    EXPECT_EQ(gameDataFromText(gameDataToText(record)), record);
    EXPECT_EQ(gameDataFromText(itemsText("[\"" + repeat("a", 5'000'000))), std::nullopt);
}

TEST(GameDataHostile, HundredThousandItems) {
    GameData record;
    for (int i = 0; i < 100'000; ++i) {
        record.items.push_back("potion" + std::to_string(i));
    }
    EXPECT_EQ(gameDataFromText(gameDataToText(record)), record);
}

// 10^32 is a multiple of 2^32, so only the last 32 decimal digits count; in hexadecimal, the
// last 8.
TEST(GameDataHostile, TenThousandDigitNumbers) {
    const std::string last32 = std::string(30, '0') + "42";
    const std::string decimal = std::string(10'000 - last32.size(), '9') + last32;
    const std::string hex = "0x" + std::string(10'000 - 8, 'F') + "0000002A";
    const std::string octal = "0o" + std::string(10'000, '7'); // 2^30000 - 1: all ones
    EXPECT_EQ(gameDataFromText(goldText(decimal)), withGold(42));
    EXPECT_EQ(gameDataFromText(goldText("-" + decimal)), withGold(-42));
    EXPECT_EQ(gameDataFromText(goldText(hex)), withGold(42));
    EXPECT_EQ(gameDataFromText(goldText(octal)), withGold(-1));
    EXPECT_EQ(gameDataFromText(goldText(decimal + ".5")), std::nullopt);
}

TEST(GameDataHostile, LongNumericEscapes) {
    EXPECT_EQ(gameDataFromText(itemsText("[\"\\" + std::string(100'000, '0') + "65\"]")),
              withItems({"A"}));
    EXPECT_EQ(gameDataFromText(itemsText("[\"\\" + std::string(100'000, '9') + "\"]")),
              std::nullopt);
}

} // namespace
