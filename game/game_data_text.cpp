#include "game/game_data_text.hpp"

#include "framework/utf8.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Game {

namespace {

constexpr char32_t maxCodePoint = 0x10FFFF;

using Framework::Utf8::decodeAt;
using Framework::Utf8::Decoded;

// ---- characters --------------------------------------------------------------------------------

[[nodiscard]] bool isSpace(char32_t c) noexcept {
    return c == U' ' || (c >= U'\t' && c <= U'\r') || c == 0x00A0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

[[nodiscard]] bool isDigit(char32_t c) noexcept {
    return c >= U'0' && c <= U'9';
}
[[nodiscard]] bool isOctDigit(char32_t c) noexcept {
    return c >= U'0' && c <= U'7';
}
[[nodiscard]] bool isHexDigit(char32_t c) noexcept {
    return isDigit(c) || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}
[[nodiscard]] std::uint32_t digitValue(char32_t c) noexcept {
    if (isDigit(c)) {
        return c - U'0';
    }
    return (c | 0x20) - U'a' + 10;
}
[[nodiscard]] bool isIdentStart(char32_t c) noexcept {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || c == U'_';
}
[[nodiscard]] bool isIdentChar(char32_t c) noexcept {
    return isIdentStart(c) || isDigit(c) || c == U'\'';
}
[[nodiscard]] bool isAsciiOf(char32_t c, std::string_view set) noexcept {
    return c < 0x80 && set.find(static_cast<char>(c)) != std::string_view::npos;
}
[[nodiscard]] bool isOperatorChar(char32_t c) noexcept {
    return isAsciiOf(c, "!#$%&*+./<=>?@\\^|-~:");
}
[[nodiscard]] bool isPunctuation(char32_t c) noexcept {
    return isAsciiOf(c, "()[]{},;`");
}

// The names of the characters 0 to 31 in escapes; 7 to 13 are written with their letters.
constexpr std::array<std::string_view, 32> controlNames{
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
constexpr std::string_view letterEscapes = "abtnvfr"; // 7 to 13

// ---- writer ------------------------------------------------------------------------------------

// Counts what would be written, so that a record too large to read back is never made in memory.
struct Length {
    std::uintmax_t bytes = 0;
    Length& operator+=(char /*c*/) noexcept {
        ++bytes;
        return *this;
    }
    Length& operator+=(std::string_view s) noexcept {
        bytes += s.size();
        return *this;
    }
};

template <class Out>
void appendInt(Out& out, std::int32_t v) {
    std::array<char, 16> buf{};
    const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), v);
    out += std::string_view{buf.data(), static_cast<std::size_t>(result.ptr - buf.data())};
}

template <class Out>
void appendItem(Out& out, std::string_view item) {
    out += '"';
    // Set after an escape that the next character could extend: a decimal one by a digit, "\SO"
    // by an H (it would read as "\SOH").
    bool afterNumber = false;
    bool afterSO = false;
    for (std::size_t pos = 0; pos < item.size();) {
        const Decoded d = decodeAt(item, pos);
        pos += d.length;
        const char32_t c = d.cp;
        if ((afterNumber && isDigit(c)) || (afterSO && c == U'H')) {
            out += "\\&";
        }
        afterNumber = false;
        afterSO = false;
        if (c == U'"') {
            out += "\\\"";
        } else if (c == U'\\') {
            out += "\\\\";
        } else if (c >= 32 && c <= 126) {
            out += static_cast<char>(c);
        } else if (c >= 7 && c <= 13) {
            out += '\\';
            out += letterEscapes[c - 7];
        } else if (c < 32) {
            out += '\\';
            out += controlNames[c];
            afterSO = c == 14;
        } else if (c == 127) {
            out += "\\DEL";
        } else {
            out += '\\';
            appendInt(out, static_cast<std::int32_t>(c));
            afterNumber = true;
        }
    }
    out += '"';
}

template <class Out>
void appendRecord(Out& out, const GameData& data) {
    out += "GameData {hp = ";
    appendInt(out, data.hp);
    out += ", hpMax = ";
    appendInt(out, data.hpMax);
    out += ", turn = ";
    appendInt(out, data.turn);
    out += ", gold = ";
    appendInt(out, data.gold);
    out += ", items = [";
    for (std::size_t i = 0; i < data.items.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendItem(out, data.items[i]);
    }
    out += "]}";
}

// ---- lexer -------------------------------------------------------------------------------------

// Where the characters of strings go: only counted on a first reading, which decides whether the
// text is a record and how much room its items take, then into that room on the second.
class Content {
  public:
    explicit Content(std::string* bytes) noexcept : bytes_(bytes) {}
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    void append(std::string_view s) {
        size_ += s.size();
        if (bytes_ != nullptr) {
            bytes_->append(s);
        }
    }
    void append(char32_t c) {
        encoded_.clear();
        Framework::Utf8::append(encoded_, c);
        append(std::string_view{encoded_});
    }

  private:
    std::string* bytes_;
    std::size_t size_ = 0;
    std::string encoded_;
};

enum class TokenKind : std::uint8_t {
    End,
    Identifier,
    Punctuation,
    Operator,
    Integer,
    String,
    Bad, // a fraction or exponent, a malformed literal, or a character no token starts with
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text; // identifier, punctuation and operator tokens
    // Integer tokens: exact below 2^32, else 2^32 plus the value modulo 2^32.
    std::uint64_t value = 0;
};

class Lexer {
  public:
    // The characters of string tokens go to `content`.
    Lexer(std::string_view text, Content& content) noexcept : text_(text), content_(content) {}

    // Set once a string held bytes that are not UTF-8 and so read as U+FFFD.
    [[nodiscard]] bool replaced() const noexcept { return replaced_; }

    // Fills `token` in place: the parser reuses one token, so a million parentheses cost no
    // more than a scan.
    void next(Token& token) {
        skipSpace();
        token.kind = TokenKind::End;
        token.text = {};
        if (atEnd()) {
            return;
        }
        const std::size_t start = pos_;
        const char32_t c = peek();
        if (isPunctuation(c)) {
            ++pos_;
            token.kind = TokenKind::Punctuation;
        } else if (isIdentStart(c)) {
            while (isIdentChar(peek())) {
                ++pos_;
            }
            token.kind = TokenKind::Identifier;
        } else if (isOperatorChar(c)) {
            while (isOperatorChar(peek())) {
                ++pos_;
            }
            token.kind = TokenKind::Operator;
        } else if (isDigit(c)) {
            token.kind = number(token.value);
        } else if (c == U'"') {
            ++pos_;
            token.kind = string(content_) ? TokenKind::String : TokenKind::Bad;
        } else {
            token.kind = TokenKind::Bad;
        }
        token.text = text_.substr(start, pos_ - start);
    }

  private:
    std::string_view text_;
    Content& content_;
    std::size_t pos_ = 0;
    bool replaced_ = false;

    // Characters at and after pos_; 0 past the end is safe because no rule below accepts it
    // there (strings check for the end themselves).
    [[nodiscard]] char32_t peek(std::size_t ahead = 0) const noexcept {
        const std::size_t i = pos_ + ahead;
        return i < text_.size() ? static_cast<unsigned char>(text_[i]) : 0;
    }
    [[nodiscard]] bool atEnd() const noexcept { return pos_ >= text_.size(); }

    [[nodiscard]] char32_t take() noexcept {
        const Decoded d = decodeAt(text_, pos_);
        pos_ += d.length;
        return d.cp;
    }

    void skipSpace() noexcept {
        while (!atEnd()) {
            const char32_t b = peek();
            if (b < 0x80) {
                if (b != U' ' && (b < U'\t' || b > U'\r')) {
                    return;
                }
                ++pos_;
                continue;
            }
            const Decoded d = decodeAt(text_, pos_);
            if (!isSpace(d.cp)) {
                return;
            }
            pos_ += d.length;
        }
    }

    // Digits in `base` from pos_. The low 32 bits hold the value modulo 2^32 however long the run,
    // since they never depend on the bits above; those are folded into one.
    [[nodiscard]] std::uint64_t digits(std::uint32_t base, bool (*accepts)(char32_t)) noexcept {
        constexpr std::uint64_t low = 0xFFFF'FFFF;
        std::uint64_t v = 0;
        while (accepts(peek())) {
            v = v * base + digitValue(peek());
            v = v > low ? (v & low) | (low + 1) : v;
            ++pos_;
        }
        return v;
    }

    [[nodiscard]] TokenKind number(std::uint64_t& value) noexcept {
        const char32_t radix = peek(1) | 0x20;
        if (peek() == U'0' && radix == U'x' && isHexDigit(peek(2))) {
            pos_ += 2;
            value = digits(16, isHexDigit);
            return TokenKind::Integer;
        }
        if (peek() == U'0' && radix == U'o' && isOctDigit(peek(2))) {
            pos_ += 2;
            value = digits(8, isOctDigit);
            return TokenKind::Integer;
        }
        value = digits(10, isDigit);
        // A fraction or an exponent makes it a number that is not an integer: swallow all of it
        // into one bad token.
        bool integral = true;
        if (peek() == U'.' && isDigit(peek(1))) {
            ++pos_;
            (void)digits(10, isDigit);
            integral = false;
        }
        const std::size_t sign = peek(1) == U'+' || peek(1) == U'-' ? 1 : 0;
        if ((peek() | 0x20) == U'e' && isDigit(peek(1 + sign))) {
            pos_ += 1 + sign;
            (void)digits(10, isDigit);
            integral = false;
        }
        return integral ? TokenKind::Integer : TokenKind::Bad;
    }

    // A numeric escape's value; false past U+10FFFF, which also stops long digit runs early.
    [[nodiscard]] bool escapeNumber(std::uint32_t base, bool (*accepts)(char32_t),
                                    char32_t& out) noexcept {
        if (!accepts(peek())) {
            return false;
        }
        std::uint32_t v = 0;
        while (accepts(peek())) {
            v = v * base + digitValue(peek());
            ++pos_;
            if (v > maxCodePoint) {
                return false;
            }
        }
        out = v;
        return true;
    }

    [[nodiscard]] bool controlName(char32_t& out) noexcept {
        // Longest name first, so "\SOH" is SOH and not SO followed by H.
        for (const std::size_t length : {3u, 2u}) {
            // Near the end the longer try is the shorter one again.
            const std::string_view name = text_.substr(pos_, length);
            const auto named = std::find(controlNames.begin(), controlNames.end(), name);
            if (named != controlNames.end()) {
                out = static_cast<char32_t>(named - controlNames.begin());
            } else if (name == "SP" || name == "DEL") {
                out = name == "SP" ? 32 : 127;
            } else {
                continue;
            }
            pos_ += name.size();
            return true;
        }
        return false;
    }

    // After the opening quote. Appends the characters to `out`; false on a malformed literal.
    [[nodiscard]] bool string(Content& out) {
        while (!atEnd()) {
            // Plain ASCII goes over in runs.
            const std::size_t run = pos_;
            while (!atEnd() && peek() < 0x80 && peek() != U'"' && peek() != U'\\') {
                ++pos_;
            }
            out.append(text_.substr(run, pos_ - run));
            if (atEnd()) {
                break;
            }
            const std::size_t at = pos_;
            const char32_t c = take();
            if (c == U'"') {
                return true;
            }
            if (c != U'\\') {
                // Good UTF-8 goes over as it is; a bad sequence as U+FFFD.
                constexpr std::string_view replacement = "\xEF\xBF\xBD";
                const std::string_view source = text_.substr(at, pos_ - at);
                const bool bad = c == Framework::Utf8::replacementChar && source != replacement;
                replaced_ = replaced_ || bad;
                out.append(bad ? replacement : source);
                continue;
            }
            if (atEnd()) {
                return false;
            }
            const Decoded d = decodeAt(text_, pos_);
            char32_t cp = 0;
            if (d.cp == U'&') {
                ++pos_;
                continue; // the empty escape
            }
            if (isSpace(d.cp)) {
                // A gap: white space between two backslashes stands for nothing.
                skipSpace();
                if (atEnd() || peek() != U'\\') {
                    return false;
                }
                ++pos_;
                continue;
            }
            const std::string_view simple = "abfnrtv\\\"'";
            const std::u32string_view meaning = U"\a\b\f\n\r\t\v\\\"'";
            if (isAsciiOf(d.cp, simple)) {
                ++pos_;
                cp = meaning[simple.find(static_cast<char>(d.cp))];
            } else if (d.cp == U'^') {
                const char32_t k = peek(1);
                if (k < U'@' || k > U'_') {
                    return false;
                }
                pos_ += 2;
                cp = k - U'@';
            } else if (isDigit(d.cp)) {
                if (!escapeNumber(10, isDigit, cp)) {
                    return false;
                }
            } else if (d.cp == U'x') {
                ++pos_;
                if (!escapeNumber(16, isHexDigit, cp)) {
                    return false;
                }
            } else if (d.cp == U'o') {
                ++pos_;
                if (!escapeNumber(8, isOctDigit, cp)) {
                    return false;
                }
            } else if (!controlName(cp)) {
                return false;
            }
            if (cp >= 0xD800 && cp <= 0xDFFF) {
                return false; // a surrogate has no UTF-8 form
            }
            out.append(cp);
        }
        return false; // no closing quote
    }
};

// ---- parser ------------------------------------------------------------------------------------

// Every value, and the record itself, may stand in any number of parentheses. They hold exactly
// one value, so counting the opening ones and expecting as many closing ones after the value
// accepts the same texts as a recursive grammar without the stack.
class Parser {
  public:
    // The items' characters go to `bytes` and where each ends to `ends`; both null: only counted.
    Parser(std::string_view text, std::string* bytes, std::vector<std::uint32_t>* ends)
        : content_(bytes), lexer_(text, content_), ends_(ends) {
        advance();
    }

    [[nodiscard]] std::size_t items() const noexcept { return items_; }
    [[nodiscard]] std::size_t itemBytes() const noexcept { return content_.size(); }

    [[nodiscard]] std::optional<TextRecord> record() {
        TextRecord read;
        GameData& data = read.data;
        const std::size_t parens = openParens();
        const bool ok = identifier("GameData") && punctuation('{') && field("hp", data.hp) &&
                        punctuation(',') && field("hpMax", data.hpMax) && punctuation(',') &&
                        field("turn", data.turn) && punctuation(',') && field("gold", data.gold) &&
                        punctuation(',') && identifier("items") && operatorToken("=") &&
                        stringList() && punctuation('}') && closeParens(parens) &&
                        token_.kind == TokenKind::End;
        if (!ok) {
            return std::nullopt;
        }
        read.exact = !reduced_ && !lexer_.replaced();
        return read;
    }

  private:
    Content content_;
    Lexer lexer_;
    std::vector<std::uint32_t>* ends_;
    std::size_t items_ = 0;
    Token token_;
    bool reduced_ = false;

    void advance() { lexer_.next(token_); }

    [[nodiscard]] bool accept(TokenKind kind, std::string_view text) {
        if (token_.kind != kind || token_.text != text) {
            return false;
        }
        advance();
        return true;
    }
    [[nodiscard]] bool identifier(std::string_view name) {
        return accept(TokenKind::Identifier, name);
    }
    [[nodiscard]] bool punctuation(char p) { return accept(TokenKind::Punctuation, {&p, 1}); }
    [[nodiscard]] bool operatorToken(std::string_view op) {
        return accept(TokenKind::Operator, op);
    }

    [[nodiscard]] std::size_t openParens() {
        std::size_t n = 0;
        while (punctuation('(')) {
            ++n;
        }
        return n;
    }
    [[nodiscard]] bool closeParens(std::size_t n) {
        for (; n > 0; --n) {
            if (!punctuation(')')) {
                return false;
            }
        }
        return true;
    }

    [[nodiscard]] bool field(std::string_view name, std::int32_t& out) {
        return identifier(name) && operatorToken("=") && integer(out);
    }

    [[nodiscard]] bool integer(std::int32_t& out) {
        const std::size_t parens = openParens();
        const bool negative = operatorToken("-");
        if (token_.kind != TokenKind::Integer) {
            return false;
        }
        const std::uint64_t magnitude = token_.value;
        advance();
        reduced_ = reduced_ || magnitude > (negative ? 0x8000'0000u : 0x7FFF'FFFFu);
        // Conversion to a signed type is modular since C++20.
        const auto low = static_cast<std::uint32_t>(magnitude);
        out = static_cast<std::int32_t>(negative ? 0u - low : low);
        return closeParens(parens);
    }

    // Its characters went to the content when the lexer took it.
    [[nodiscard]] bool string() {
        const std::size_t parens = openParens();
        if (token_.kind != TokenKind::String) {
            return false;
        }
        if (ends_ != nullptr) {
            ends_->push_back(static_cast<std::uint32_t>(content_.size()));
        }
        ++items_;
        advance();
        return closeParens(parens);
    }

    [[nodiscard]] bool stringList() {
        const std::size_t parens = openParens();
        if (!punctuation('[')) {
            return false;
        }
        if (!punctuation(']')) {
            do {
                if (!string()) {
                    return false;
                }
            } while (punctuation(','));
            if (!punctuation(']')) {
                return false;
            }
        }
        return closeParens(parens);
    }
};

} // namespace

std::string gameDataToText(const GameData& data) {
    std::string out;
    appendRecord(out, data);
    return out;
}

std::uintmax_t gameDataTextSize(const GameData& data) noexcept {
    Length length;
    appendRecord(length, data);
    return length.bytes;
}

// Read twice: a text that is no record costs no memory, and a record's items take exactly the
// room they need, however many and however short they are.
std::optional<TextRecord> readGameDataText(std::string_view text, std::uintmax_t maxTextSize) {
    Parser counting{text, nullptr, nullptr};
    std::optional<TextRecord> read = counting.record();
    // The written form of a character is never shorter than its UTF-8.
    if (!read || (!read->exact && counting.itemBytes() > maxTextSize)) {
        return std::nullopt;
    }
    if (counting.itemBytes() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error{"items"};
    }
    std::string bytes;
    bytes.reserve(counting.itemBytes());
    std::vector<std::uint32_t> ends;
    ends.reserve(counting.items());
    read = Parser{text, &bytes, &ends}.record();
    read->data.items = ItemList{std::move(bytes), std::move(ends)};
    return read;
}

std::optional<GameData> gameDataFromText(std::string_view text) {
    std::optional<TextRecord> read = readGameDataText(text, UINTMAX_MAX);
    return read ? std::optional{std::move(read->data)} : std::nullopt;
}

} // namespace Game
