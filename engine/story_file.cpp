#include "engine/story_file.hpp"

#include "engine/story_text.hpp"
#include "framework/utf8.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <optional>
#include <utility>

namespace Engine {

namespace {

constexpr std::string_view blanks = " \t";

std::string_view trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// Edits (insert, delete, replace, swap of neighbours) from a to b, or more than `limit` once that
// is certain.
std::size_t distance(std::string_view a, std::string_view b, std::size_t limit) {
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) {
        return limit + 1;
    }
    std::vector<std::size_t> before(b.size() + 1);
    std::vector<std::size_t> last(b.size() + 1);
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        before.swap(last);
        last.swap(row);
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                row[j] = std::min(row[j], before[j - 2] + 1);
            }
        }
        // No later row is smaller than this one's least (a swap reaches back two rows).
        if (*std::min_element(row.begin(), row.end()) > limit &&
            *std::min_element(last.begin(), last.end()) > limit) {
            return limit + 1;
        }
    }
    return row[b.size()];
}

// The closest of the known words, when it is close enough to be a slip of the keyboard.
template <typename Words>
std::string didYouMean(std::string_view word, const Words& known) {
    constexpr std::size_t longest = 64; // longer words are not typed by hand
    const std::size_t limit = std::max<std::size_t>(1, word.size() / 3);
    std::string_view best;
    std::size_t bestDistance = limit + 1;
    if (word.size() <= longest) {
        for (const auto& candidate : known) {
            const std::string_view c = candidate;
            if (c.size() <= longest) {
                if (const std::size_t d = distance(word, c, limit); d < bestDistance) {
                    best = c;
                    bestDistance = d;
                }
            }
        }
    }
    return best.empty() ? "" : "; did you mean " + quoted(best) + "?";
}

constexpr std::array<std::string_view, 4> settingKeys{"title", "picture", "numbering",
                                                      "keep place"};

// "title, picture and numbering".
template <std::size_t n>
std::string listed(const std::array<std::string_view, n>& words) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text.append(i == 0 ? "" : i + 1 == n ? " and " : ", ").append(words[i]);
    }
    return text;
}
// Values are declared as settings too, as many as the story needs.
constexpr std::array<std::string_view, 6> allSettings{"title",      "picture", "numbering",
                                                      "keep place", "number",  "flag"};
constexpr std::array<std::string_view, 3> commandNames{"[new page]", "[empty line]", "[end]"};
constexpr std::string_view onceMark = "(once)";
constexpr std::string_view visitsPrefix = "visits to ";
// Large enough for any count a story keeps, small enough that a change never overflows.
constexpr std::int64_t largestNumber = 1'000'000'000;

// The target of an option on a line whose kana are composed, which is not the text's.
struct ComposedTarget {
    std::uint32_t option; // among the story's, in the order written
    std::uint32_t column;
    std::string target;
};

// Sections by name, held as their numbers in one open-addressed table: the names themselves are
// kept once, in the source, and a story of millions of sections takes a few bytes for each here.
class SectionIndex {
  public:
    explicit SectionIndex(const SectionSources& sections) : sections_(&sections) {}

    void reserve(std::size_t count) {
        if (count * 4 > slots_.size() * 3) {
            rehash(std::bit_ceil(count * 4 / 3 + 1));
        }
    }

    // The section with this name, or 0 when there is none.
    [[nodiscard]] std::uint32_t find(std::string_view name) const {
        if (slots_.empty()) {
            return 0;
        }
        for (std::size_t at = slotOf(name);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at] == 0 || (*sections_)[slots_[at]].name == name) {
                return slots_[at];
            }
        }
    }

    // A section (never 0) whose name is not in yet.
    void insert(std::uint32_t section) {
        reserve(count_ + 1);
        place(section);
        ++count_;
    }

    void clear() {
        slots_ = {};
        count_ = 0;
    }

  private:
    [[nodiscard]] std::size_t slotOf(std::string_view name) const {
        return std::hash<std::string_view>{}(name) & (slots_.size() - 1);
    }

    void place(std::uint32_t section) {
        std::size_t at = slotOf((*sections_)[section].name);
        while (slots_[at] != 0) {
            at = (at + 1) & (slots_.size() - 1);
        }
        slots_[at] = section;
    }

    void rehash(std::size_t size) {
        const std::vector<std::uint32_t> old =
            std::exchange(slots_, std::vector<std::uint32_t>(size));
        for (const std::uint32_t section : old) {
            if (section != 0) {
                place(section);
            }
        }
    }

    const SectionSources* sections_;
    std::vector<std::uint32_t> slots_; // a power of two of them, at most 3/4 in use; 0 is free
    std::size_t count_ = 0;
};

struct PendingVisits {
    std::uint16_t slot;
    std::string section;
    std::size_t line;
    std::size_t column;
};

// An [if] still open. Around lines it becomes jumps over them; around options, a condition on
// each. Which one is known at its first line.
struct OpenBlock {
    enum class Kind : std::uint8_t { Undecided, Lines, Options };
    Condition condition;
    std::size_t line;
    std::size_t column;
    Kind kind = Kind::Undecided;
    bool otherwise = false;
    std::size_t ifJump = 0;   // the element that skips the lines while the condition fails
    std::size_t elseJump = 0; // the element that skips the otherwise lines
    bool elseWritten = false; // no jump when the [if] held nothing: its condition is turned
};

// Whole numbers as a writer types them, within what a story can count; noNumber for anything else.
constexpr std::int64_t noNumber = INT64_MIN;
std::int64_t wholeNumber(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return noNumber;
    }
    std::int64_t n = 0;
    for (const char d : digits) {
        n = n * 10 + (d - '0');
    }
    if (n > largestNumber) {
        return noNumber;
    }
    return negative ? -n : n;
}

class Reader {
  public:
    Reader(std::string_view text, std::string_view fileName) : text_(text) {
        result_.source.file = fileName;
        result_.source.sections.addSection({}, 0); // the empty list
    }

    StoryFile read() && {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
            text_.remove_prefix(3);
        }
        // Its lines, sections and options are counted in 32 bits.
        if (text_.size() > UINT32_MAX) {
            error(1, 1, "is larger than 4096 MB, the most a story may be");
            return std::move(result_);
        }
        if (const char* cause = wrongEncoding(text_)) {
            error(1, 1, cause);
            return std::move(result_);
        }
        reserveRoom();
        std::size_t line = 0;
        for (std::size_t start = 0; start <= text_.size() && !full();) {
            const std::size_t end = std::min(text_.find('\n', start), text_.size());
            std::string_view raw = text_.substr(start, end - start);
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
            }
            readLine(++line, raw);
            start = end + 1;
        }
        finishText();
        closeBlocks();
        if (starts_.empty() && result_.errors.empty()) {
            error(1, 1, "the story has no section yet; start one with a line \"== name\"");
        }
        resolveOptions();
        // The names have done their work; the story is built without them.
        composedTargets_ = {};
        index_.clear();
        if (result_.errors.empty()) {
            build();
        }
        return std::move(result_);
    }

  private:
    bool full() const { return result_.errors.size() >= maxStoryFileErrors; }

    // Room for every section and option at once: a story of millions of sections would otherwise
    // hold each table twice over while it grows.
    void reserveRoom() {
        std::size_t sections = 0;
        std::size_t options = 0;
        std::size_t elements = 0; // at most: every other line, and a choice for each option
        std::size_t names = 0;    // the section lines' names, as written
        for (std::size_t start = 0; start < text_.size();) {
            const std::size_t first = text_.find_first_not_of(blanks, start);
            if (first == std::string_view::npos) {
                break;
            }
            const char c = text_[first];
            const std::size_t end = text_.find('\n', first);
            if (text_.substr(first, 2) == "==") {
                ++sections;
                names += trimmed(text_.substr(first + 2, std::min(end, text_.size()) - first - 2))
                             .size();
            }
            options += c == '*' ? 1 : 0;
            elements += c != '=' && c != '|' && c != '#' && c != '\n' && c != '\r' ? 1 : 0;
            start = end == std::string_view::npos ? text_.size() : end + 1;
        }
        starts_.reserve(sections);
        elements_.reserve(elements);
        options_.reserve(options);
        result_.source.sections.reserve(sections + 1, elements, options, names);
        index_.reserve(sections);
    }

    void error(std::size_t line, std::size_t column, std::string message) {
        if (!full()) {
            result_.errors.push_back({result_.source.file, line, column, std::move(message)});
        }
    }

    // The column, in characters, of byte `at` of the line.
    static std::size_t columnOf(std::string_view raw, std::size_t at) {
        std::size_t column = 1;
        for (std::size_t i = 0; i < at && i < raw.size();) {
            i += Framework::Utf8::decodeAt(raw, i).length;
            ++column;
        }
        return column;
    }

    // Files an editor saved otherwise than as UTF-8 text with ordinary line ends, by their cause.
    static const char* wrongEncoding(std::string_view text) {
        const std::string_view head = text.substr(0, 2);
        const bool nulAtSecond = text.size() >= 2 && text[1] == '\0' && text[0] != '\0';
        const bool nulAtFirst = text.size() >= 2 && text[0] == '\0' && text[1] != '\0';
        if (head == "\xFF\xFE" || head == "\xFE\xFF" || nulAtSecond || nulAtFirst) {
            return "this file is UTF-16 text; save it as UTF-8";
        }
        if (text.find('\n') == std::string_view::npos &&
            text.find('\r') < text.find_last_not_of("\r")) {
            return "the lines of this file end in a carriage return alone, as old Mac files "
                   "did; save it with ordinary line ends (LF or CR LF)";
        }
        return nullptr;
    }

    // Only what a panel can draw: UTF-8 without control characters.
    bool readable(std::size_t line, std::string_view raw) {
        const std::size_t first = std::min(raw.find_first_not_of(blanks), raw.size());
        const std::size_t last = raw.find_last_not_of(blanks);
        for (std::size_t i = 0; i < raw.size();) {
            // Printable ASCII, most of most stories, needs no decoding.
            if (const auto byte = static_cast<unsigned char>(raw[i]); byte >= 0x20 && byte < 0x7F) {
                ++i;
                continue;
            }
            const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(raw, i);
            if (d.cp == Framework::Utf8::replacementChar && raw.substr(i, 3) != "\xEF\xBF\xBD") {
                error(line, columnOf(raw, i), "this is not UTF-8 text; save the file as UTF-8");
                return false;
            }
            if (d.cp == 0xFEFF) {
                error(line, columnOf(raw, i),
                      "a byte order mark (U+FEFF), which starts a file, stands inside this one, "
                      "as where two files were joined; delete it");
                return false;
            }
            if ((d.cp == 0x3099 || d.cp == 0x309A) && composedKana(raw, i) == 0) {
                error(line, columnOf(raw, i),
                      "a combining sound mark (U+" + std::string(d.cp == 0x3099 ? "3099" : "309A") +
                          ") that joins no kana before it; write the character whole");
                return false;
            }
            const bool indent = d.cp == '\t' && i < first;
            const bool trailing = d.cp == '\t' && (last == std::string_view::npos || i > last);
            if ((d.cp < 0x20 && !indent && !trailing) || d.cp == 0x7F) {
                error(line, columnOf(raw, i),
                      d.cp == '\t' ? "a tab inside a line cannot be shown; use spaces"
                                   : "a control character cannot be shown");
                return false;
            }
            i += d.length;
        }
        return true;
    }

    // The kana that the one before byte `at` and the combining mark at `at` make together, or 0.
    static char32_t composedKana(std::string_view raw, std::size_t at) {
        if (at < 3) {
            return 0;
        }
        const Framework::Utf8::Decoded base = Framework::Utf8::decodeAt(raw, at - 3);
        const Framework::Utf8::Decoded mark = Framework::Utf8::decodeAt(raw, at);
        if (base.length != 3) {
            return 0;
        }
        // Katakana stand 0x60 above the hiragana they match.
        const bool katakana = base.cp >= 0x30A1 && base.cp <= 0x30FE;
        const char32_t kana = katakana ? base.cp - 0x60 : base.cp;
        const bool voiced = mark.cp == 0x3099;
        const bool plain = (kana >= 0x304B && kana <= 0x3062 && kana % 2 == 1) ||
                           (kana >= 0x3064 && kana <= 0x3068 && kana % 2 == 0) || kana == 0x309D;
        const bool haRow = kana >= 0x306F && kana <= 0x307B && (kana - 0x306F) % 3 == 0;
        if ((voiced && (plain || haRow)) || (!voiced && haRow)) {
            return base.cp + (voiced ? 1 : 2);
        }
        if (voiced && base.cp == 0x3046) {
            return 0x3094; // ゔ
        }
        if (voiced && katakana && (base.cp == 0x30A6 || base.cp == 0x30FD)) {
            return base.cp == 0x30A6 ? 0x30F4 : 0x30FE; // ヴ, ヾ
        }
        if (voiced && base.cp >= 0x30EF && base.cp <= 0x30F2) {
            return base.cp + 8; // ヷヸヹヺ
        }
        return 0;
    }

    // Kana written in decomposed form, a kana and a combining sound mark, as one character: the
    // font draws the mark apart otherwise.
    static std::string composed(std::string_view raw) {
        std::string out;
        for (std::size_t i = 0; i < raw.size();) {
            const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(raw, i);
            const char32_t whole =
                d.cp == 0x3099 || d.cp == 0x309A ? composedKana(raw, i) : char32_t{0};
            if (whole != 0) {
                out.resize(out.size() - 3);
                Framework::Utf8::append(out, whole);
            } else {
                out.append(raw.substr(i, d.length));
            }
            i += d.length;
        }
        return out;
    }

    void readLine(std::size_t line, std::string_view raw) {
        if (!readable(line, raw)) {
            return;
        }
        std::string whole;
        if (raw.find("\xE3\x82\x99") != std::string_view::npos ||
            raw.find("\xE3\x82\x9A") != std::string_view::npos) {
            whole = composed(raw);
            raw = whole;
        }
        const std::string_view t = trimmed(raw);
        const std::size_t column = columnOf(raw, raw.find_first_not_of(blanks));
        if (t.empty() || t.front() == '#') {
            return;
        }
        if (t.substr(0, 2) == "==") {
            startSection(line, column, t);
        } else if (starts_.empty()) {
            readSetting(line, column, t);
        } else if (const std::string_view key = trimmed(t.substr(0, t.find(':')));
                   t.find(':') != std::string_view::npos &&
                   std::find(allSettings.begin(), allSettings.end(), key) != allSettings.end()) {
            error(line, column,
                  quoted(key) +
                      " is a setting, and settings stand before the first section; "
                      "move it up, or write \"\\" +
                      std::string(t.substr(0, std::min<std::size_t>(t.size(), 12))) +
                      "\" to show it as text");
        } else if (t.front() == '*' && (t.size() == 1 || t[1] == ' ' || t[1] == '\t')) {
            readOption(line, raw, t.substr(1));
        } else if (t.front() == '|') {
            continueText(line, column, t.substr(t.substr(1, 1) == " " ? 2 : 1));
        } else if (t.front() == '[' && t.back() == ']') {
            readCommand(line, column, t);
        } else {
            addText(line, column, t.front() == '\\' ? t.substr(1) : t);
        }
    }

    void startSection(std::size_t line, std::size_t column, std::string_view t) {
        closeBlocks();
        const std::size_t first = t.find_first_not_of("= \t");
        const std::string_view name =
            first == std::string_view::npos
                ? std::string_view{}
                : trimmed(t.substr(first, t.find_last_not_of("= \t") - first + 1));
        if (name.empty()) {
            error(line, column, "a section needs a name after \"==\"");
            return;
        }
        if (const std::uint32_t known = index_.find(name); known != 0) {
            error(line, column,
                  "there is already a section named " + quoted(name) + ", at line " +
                      std::to_string(result_.source.sections[known].line));
            // Later lines still belong somewhere; they go to a section no option can name.
            result_.source.sections.addSection(name, line);
        } else {
            result_.source.sections.addSection(name, line);
            index_.insert(static_cast<std::uint32_t>(starts_.size() + 1));
        }
        starts_.push_back(static_cast<std::uint32_t>(elements_.size()));
        optionRun_ = false;
    }

    void readSetting(std::size_t line, std::size_t column, std::string_view t) {
        const std::size_t colon = t.find(':');
        if (colon == std::string_view::npos) {
            error(line, column,
                  "the story's text starts in a section; write a line \"== name\" above it");
            return;
        }
        const std::string_view key = trimmed(t.substr(0, colon));
        const std::string_view value = trimmed(t.substr(colon + 1));
        if (key == "number" || key == "flag") {
            declareValue(line, column, key == "flag", value);
            return;
        }
        const auto at = std::find(settingKeys.begin(), settingKeys.end(), key);
        if (at == settingKeys.end()) {
            error(line, column,
                  "no setting named " + quoted(key) + didYouMean(key, allSettings) +
                      " (the settings are " + listed(settingKeys) + ")");
            return;
        }
        const auto which = static_cast<std::size_t>(at - settingKeys.begin());
        if (seen_[which] != 0) {
            error(line, column,
                  quoted(key) + " is already set, at line " + std::to_string(seen_[which]));
            return;
        }
        seen_[which] = line;
        if (key == "title") {
            result_.title = value;
        } else if (key == "picture") {
            result_.picture = value;
            result_.source.pictureLine = line;
        } else if (key == "keep place") {
            if (value != "yes" && value != "no") {
                error(line, column, "keep place is \"yes\" or \"no\"");
            }
            result_.keepPlace = value == "yes";
        } else if (!setNumbering(value)) {
            error(line, column,
                  "numbering shows how option 1 is numbered, such as \"1:\" or \"１：\", or is "
                  "\"none\"");
        }
    }

    // The form of option 1 around its digit, which the other options repeat with their own.
    bool setNumbering(std::string_view value) {
        if (value == "none") {
            numbered_ = false;
            return true;
        }
        for (const std::string_view one : {std::string_view("1"), std::string_view("１")}) {
            const std::size_t at = value.find(one);
            if (at != std::string_view::npos && value.find(one, at + 1) == std::string_view::npos &&
                value.find_first_of("023456789") == std::string_view::npos) {
                numberBefore_ = value.substr(0, at);
                numberAfter_ = value.substr(at + one.size());
                fullWidth_ = one != "1";
                // An ASCII mark is followed by a space; a full-width one carries its own.
                if (static_cast<unsigned char>(value.back()) < 0x80) {
                    numberAfter_ += ' ';
                }
                return true;
            }
        }
        return false;
    }

    static bool validName(std::string_view name) {
        constexpr std::array<std::string_view, 7> reserved{"not", "and", "to",    "from",
                                                           "on",  "off", "visits"};
        return !name.empty() &&
               name.find_first_of(" \t=<>!(){}[]:,|*#\\") == std::string_view::npos &&
               (name.front() < '0' || name.front() > '9') && name.front() != '-' &&
               std::find(reserved.begin(), reserved.end(), name) == reserved.end();
    }

    // "number: coins = 3 (0 to 5)" or "flag: paid = off".
    void declareValue(std::size_t line, std::size_t column, bool flag, std::string_view value) {
        const std::string form = flag ? "write a flag as \"flag: paid = off\" (or on)"
                                      : "write a number as \"number: coins = 3 (0 to 5)\", its "
                                        "starting value and the range it keeps to";
        const std::size_t equals = value.find('=');
        const std::string_view name = trimmed(value.substr(0, std::min(equals, value.size())));
        if (equals == std::string_view::npos || !validName(name)) {
            error(line, column,
                  (validName(name) || equals == std::string_view::npos
                       ? form
                       : quoted(name) + " cannot name a value: a name is one word, such as "
                                        "coins or kept_coin"));
            return;
        }
        if (const std::size_t known = slotNamed(name); known != noSlot) {
            error(line, column,
                  quoted(name) + " is already declared, at line " +
                      std::to_string(valueLines_[known]));
            return;
        }
        const std::string_view rest = trimmed(value.substr(equals + 1));
        StoryValue declared{std::string(name), flag ? ValueKind::Flag : ValueKind::Number, 0, 1, 0};
        if (flag) {
            if (rest != "on" && rest != "off") {
                error(line, column, form);
                return;
            }
            declared.start = rest == "on" ? 1 : 0;
        } else {
            const std::size_t open = rest.find('(');
            const std::size_t to = rest.find(" to ");
            const std::int64_t start = wholeNumber(trimmed(rest.substr(0, open)));
            const std::int64_t least =
                open == std::string_view::npos || to == std::string_view::npos || to < open
                    ? noNumber
                    : wholeNumber(trimmed(rest.substr(open + 1, to - open - 1)));
            const std::int64_t most =
                least != noNumber && rest.back() == ')'
                    ? wholeNumber(trimmed(rest.substr(to + 4, rest.size() - to - 5)))
                    : noNumber;
            if (start == noNumber || least == noNumber || most == noNumber) {
                error(line, column, form);
                return;
            }
            if (least > most || start < least || start > most) {
                error(line, column,
                      quoted(name) + " starts at " + std::to_string(start) +
                          ", outside its range " + std::to_string(least) + " to " +
                          std::to_string(most));
                return;
            }
            declared.least = static_cast<std::int32_t>(least);
            declared.most = static_cast<std::int32_t>(most);
            declared.start = static_cast<std::int32_t>(start);
        }
        static_cast<void>(newSlot(line, column, std::move(declared)));
    }

    static constexpr std::size_t noSlot = SIZE_MAX;

    std::size_t slotNamed(std::string_view name) const {
        for (std::size_t slot = 0; slot < values_.size(); ++slot) {
            if (!values_[slot].name.empty() && values_[slot].name == name) {
                return slot;
            }
        }
        return noSlot;
    }

    std::size_t newSlot(std::size_t line, std::size_t column, StoryValue value) {
        if (values_.size() >= maxStoryValues) {
            error(line, column,
                  "a story remembers at most " + std::to_string(maxStoryValues) +
                      " things: numbers, flags, the sections whose visits it counts and the "
                      "options offered once");
            return noSlot;
        }
        values_.push_back(std::move(value));
        valueLines_.push_back(line);
        return values_.size() - 1;
    }

    std::string noValueNamed(std::string_view name, std::string_view what) const {
        std::vector<std::string_view> names;
        for (const StoryValue& value : values_) {
            if (value.kind == ValueKind::Number || value.kind == ValueKind::Flag) {
                names.emplace_back(value.name);
            }
        }
        return "no " + std::string(what) + " named " + quoted(name) + didYouMean(name, names) +
               (names.empty() ? " (declare it before the first section, as \"number: coins = 3 "
                                "(0 to 5)\" or \"flag: paid = off\")"
                              : "");
    }

    // The slot of a declared number or flag, or noSlot after an error.
    std::size_t valueFor(std::size_t line, std::size_t column, std::string_view name,
                         ValueKind kind) {
        const std::size_t slot = slotNamed(name);
        const std::string what = kind == ValueKind::Flag ? "flag" : "number";
        if (slot == noSlot ||
            (values_[slot].kind != ValueKind::Number && values_[slot].kind != ValueKind::Flag)) {
            error(line, column, noValueNamed(name, what));
            return noSlot;
        }
        if (values_[slot].kind != kind) {
            error(
                line, column,
                quoted(name) + " is a " + (kind == ValueKind::Flag ? "number" : "flag") +
                    (kind == ValueKind::Flag
                         ? "; test it with a comparison, such as \"" + std::string(name) + " >= 1\""
                         : "; test it as \"" + std::string(name) + "\" or \"not " +
                               std::string(name) + "\", set it on or off"));
            return noSlot;
        }
        return slot;
    }

    // The count of visits to a section, kept as a value of its own.
    std::size_t visitsTo(std::size_t line, std::size_t column, std::string_view section) {
        const std::string name = std::string(visitsPrefix) + std::string(section);
        if (const std::size_t known = slotNamed(name); known != noSlot) {
            return known;
        }
        const std::size_t slot = newSlot(line, column, {name, ValueKind::Visits, 0, 1, 0});
        if (slot != noSlot) {
            visits_.push_back(
                {static_cast<std::uint16_t>(slot), std::string(section), line, column});
        }
        return slot;
    }

    // "coins >= 3 and not paid and visits to haggle = 2".
    std::optional<Condition> readCondition(std::size_t line, std::size_t column,
                                           std::string_view text) {
        Condition condition;
        const std::string form = "a condition is a flag (\"paid\", \"not paid\") or a number "
                                 "compared with a whole number (\"coins >= 3\", \"visits to "
                                 "haggle = 2\"), joined by \"and\"";
        for (std::size_t at = 0; at <= text.size();) {
            const std::size_t next = std::min(text.find(" and ", at), text.size());
            const std::string_view atom = trimmed(text.substr(at, next - at));
            at = next + 5;
            const std::size_t op = atom.find_first_of("<>=!");
            if (atom.empty()) {
                error(line, column, form);
                return std::nullopt;
            }
            if (op == std::string_view::npos) {
                const bool negated = atom.starts_with("not ");
                const std::string_view name = trimmed(negated ? atom.substr(4) : atom);
                const std::size_t slot = valueFor(line, column, name, ValueKind::Flag);
                if (slot == noSlot) {
                    return std::nullopt;
                }
                condition.tests.push_back(
                    {static_cast<std::uint16_t>(slot), Compare::Equal, negated ? 0 : 1});
                continue;
            }
            const std::size_t opEnd = atom.find_first_not_of("<>=!", op);
            const std::string_view symbol = atom.substr(op, opEnd - op);
            const auto& symbols = compareSymbols;
            const auto compare =
                std::find_if(symbols.begin(), symbols.end(),
                             [symbol](const auto& entry) { return entry.first == symbol; });
            const std::string_view left = trimmed(atom.substr(0, op));
            const std::int64_t number = opEnd == std::string_view::npos
                                            ? noNumber
                                            : wholeNumber(trimmed(atom.substr(opEnd)));
            if (compare == symbols.end() || number == noNumber || left.empty()) {
                error(line, column,
                      compare == symbols.end()
                          ? quoted(symbol) + " is no comparison; use =, !=, <, <=, > or >="
                          : form);
                return std::nullopt;
            }
            std::size_t slot = noSlot;
            if (left.starts_with(visitsPrefix)) {
                slot = visitsTo(line, column, trimmed(left.substr(visitsPrefix.size())));
                if (slot != noSlot) {
                    // Counting beyond the largest number tested tells nothing more.
                    values_[slot].most = static_cast<std::int32_t>(
                        std::clamp<std::int64_t>(number + 1, values_[slot].most, largestNumber));
                }
            } else {
                slot = valueFor(line, column, left, ValueKind::Number);
            }
            if (slot == noSlot) {
                return std::nullopt;
            }
            condition.tests.push_back({static_cast<std::uint16_t>(slot), compare->second,
                                       static_cast<std::int32_t>(number)});
        }
        return condition;
    }

    // "[set coins to 3]", "[set paid on]", "[add 1 to coins]", "[subtract 2 from coins]".
    void readChange(std::size_t line, std::size_t column, std::string_view inner) {
        const std::string form = "a change is written [set coins to 3], [set paid on], [set paid "
                                 "off], [add 1 to coins] or [subtract 1 from coins]";
        const std::size_t space = inner.find(' ');
        const std::string_view verb = inner.substr(0, space);
        const std::string_view rest =
            space == std::string_view::npos ? std::string_view{} : trimmed(inner.substr(space));
        std::string_view name;
        std::string_view amount;
        ValueChange change;
        ValueKind kind = ValueKind::Number;
        if (verb == "set") {
            const std::size_t to = rest.find(" to ");
            if (to != std::string_view::npos) {
                name = trimmed(rest.substr(0, to));
                amount = trimmed(rest.substr(to + 4));
            } else if (rest.ends_with(" on") || rest.ends_with(" off")) {
                kind = ValueKind::Flag;
                name = trimmed(rest.substr(0, rest.rfind(' ')));
                change.amount = rest.ends_with(" on") ? 1 : 0;
            }
        } else {
            const std::string_view joint = verb == "add" ? " to " : " from ";
            const std::size_t at = rest.rfind(joint);
            if (at != std::string_view::npos) {
                amount = trimmed(rest.substr(0, at));
                name = trimmed(rest.substr(at + joint.size()));
            }
            change.kind = verb == "add" ? ChangeKind::Add : ChangeKind::Subtract;
        }
        const std::int64_t number = kind == ValueKind::Flag ? change.amount : wholeNumber(amount);
        if (name.empty() || number == noNumber || (change.kind != ChangeKind::Set && number < 0)) {
            error(line, column, form);
            return;
        }
        const std::size_t slot = valueFor(line, column, name, kind);
        if (slot == noSlot) {
            return;
        }
        change.slot = static_cast<std::uint16_t>(slot);
        change.amount = static_cast<std::int32_t>(number);
        content(line, column);
        add(line, ScenarioChange{change});
    }

    // A line that is not an option stands inside every open [if]: those not yet known to hold
    // options now hold lines, and skip them while they fail.
    bool content(std::size_t line, std::size_t column) {
        for (OpenBlock& block : blocks_) {
            if (block.kind == OpenBlock::Kind::Options) {
                error(line, column,
                      "the [if] at line " + std::to_string(block.line) +
                          " holds options, and options only; end it with [end if] first");
                return false;
            }
        }
        for (OpenBlock& block : blocks_) {
            if (block.kind == OpenBlock::Kind::Undecided) {
                block.kind = OpenBlock::Kind::Lines;
                block.ifJump = sectionSize();
                Condition skip = block.condition;
                skip.negated = !skip.negated;
                add(block.line, ScenarioJump{std::move(skip), 0});
            }
        }
        return true;
    }

    void readIf(std::size_t line, std::size_t column, std::string_view inner) {
        // A condition in error still opens its block, so that its [end if] finds it.
        std::optional<Condition> condition = readCondition(line, column, trimmed(inner.substr(2)));
        OpenBlock block{condition.value_or(Condition{}), line, column};
        if (optionRun_) {
            block.kind = OpenBlock::Kind::Options; // among the options of one choice
        }
        blocks_.push_back(std::move(block));
    }

    void readOtherwise(std::size_t line, std::size_t column) {
        if (blocks_.empty() || blocks_.back().otherwise) {
            error(line, column, "[otherwise] stands between an [if] and its [end if], once");
            return;
        }
        OpenBlock& block = blocks_.back();
        block.otherwise = true;
        if (block.kind != OpenBlock::Kind::Lines) {
            block.condition.negated = !block.condition.negated;
            return;
        }
        block.elseJump = sectionSize();
        block.elseWritten = true;
        add(line, ScenarioJump{Condition{}, 0});
        patch(block.ifJump);
    }

    void readEndIf(std::size_t line, std::size_t column) {
        if (blocks_.empty()) {
            error(line, column, "[end if] closes an [if], and there is none open");
            return;
        }
        const OpenBlock block = std::move(blocks_.back());
        blocks_.pop_back();
        if (block.kind == OpenBlock::Kind::Lines) {
            patch(block.elseWritten ? block.elseJump : block.ifJump);
            optionRun_ = false;
        }
    }

    // The jump at `at` lands after the last element written so far.
    void patch(std::size_t at) {
        auto& jump = std::get<ScenarioJump>(element(starts_.size() - 1, at));
        jump.forward = static_cast<std::uint32_t>(sectionSize() - at - 1);
    }

    void closeBlocks() {
        for (const OpenBlock& block : blocks_) {
            error(block.line, block.column, "this [if] has no [end if] before the section ends");
        }
        blocks_.clear();
    }

    // In a story with memory, braces show the value of the number they name.
    void checkShown(std::size_t line, std::size_t column, std::string_view text) {
        if (values_.empty()) {
            return;
        }
        for (std::size_t open = text.find_first_of("{}"); open != std::string_view::npos;) {
            const std::size_t close = text.find('}', open);
            if (text[open] == '}' || close == std::string_view::npos) {
                error(line, column,
                      "braces show a number, as in \"{coins} coins\"; each \"{\" needs a "
                      "\"}\"");
                return;
            }
            const std::string_view name = text.substr(open + 1, close - open - 1);
            const std::size_t slot = valueFor(line, column, name, ValueKind::Number);
            if (slot == noSlot) {
                return;
            }
            open = text.find_first_of("{}", close + 1);
        }
    }

    // The length of a number the writer put before a label, as "2:", "(2)", "２：" or "2.", or 0.
    static std::size_t writerNumbered(std::string_view label) {
        const bool open = label.substr(0, 1) == "(";
        const bool wideOpen = label.substr(0, 3) == "\xEF\xBC\x88"; // （
        std::size_t i = open ? 1 : wideOpen ? 3 : 0;
        const std::size_t digitsAt = i;
        while (i < label.size()) {
            const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(label, i);
            if (!digitValue(d.cp)) {
                break;
            }
            i += d.length;
        }
        if (i == digitsAt || i >= label.size()) {
            return 0;
        }
        const Framework::Utf8::Decoded mark = Framework::Utf8::decodeAt(label, i);
        const bool closes = mark.cp == U')' || mark.cp == U'）';
        const bool marks =
            mark.cp == U':' || mark.cp == U'.' || mark.cp == U'：' || mark.cp == U'．';
        const std::size_t after = i + mark.length;
        // "2.5 coins" is a number in the text, not a number before it.
        const bool decimal =
            mark.cp == U'.' && after < label.size() && label[after] >= '0' && label[after] <= '9';
        if (((open || wideOpen) && closes) || (!open && !wideOpen && marks && !decimal)) {
            return after;
        }
        return 0;
    }

    std::string numberFor(std::size_t n) const {
        return numberBefore_ + numeral(n, fullWidth_) + numberAfter_;
    }

    std::size_t sectionSize() const { return elements_.size() - starts_.back(); }

    Scenario& element(std::size_t section, std::size_t element) {
        return elements_[starts_[section] + element];
    }

    // Where the last option's target lies once its line is gone: until the targets are found,
    // its branch holds where the target starts in the text, which runs to the end of its line.
    void keepTarget(std::string_view target, std::size_t column) {
        std::uint32_t at = 0;
        if (target.data() >= text_.data() &&
            target.data() + target.size() <= text_.data() + text_.size()) {
            at = static_cast<std::uint32_t>(target.data() - text_.data());
        } else {
            composedTargets_.push_back({static_cast<std::uint32_t>(options_.size() - 1),
                                        static_cast<std::uint32_t>(column), std::string(target)});
        }
        options_.back().branch = listAt(at);
    }

    // The target written from `at` on, as readLine and readOption cut it from its line.
    std::string_view targetAt(std::size_t at) const {
        std::string_view rest = text_.substr(at, text_.find('\n', at) - at);
        if (!rest.empty() && rest.back() == '\r') {
            rest.remove_suffix(1);
        }
        return trimmed(rest);
    }

    // The column of a place in the text, in characters from its line's start.
    std::size_t columnAt(std::size_t at) const {
        const std::size_t newline = text_.rfind('\n', at);
        const std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
        return columnOf(text_.substr(start, at - start), at - start);
    }

    void add(std::size_t line, Scenario element) {
        finishText();
        elements_.push_back(std::move(element));
        result_.source.sections.addElement(line);
        optionRun_ = false;
    }

    void addText(std::size_t line, std::size_t column, std::string_view text) {
        if (!content(line, column)) {
            return;
        }
        checkShown(line, column, text);
        add(line, ScenarioText{text});
    }

    void readCommand(std::size_t line, std::size_t column, std::string_view t) {
        const std::string_view inner = trimmed(t.substr(1, t.size() - 2));
        if (inner == "otherwise") {
            readOtherwise(line, column);
            return;
        }
        if (inner == "end if") {
            readEndIf(line, column);
            return;
        }
        if (inner.starts_with("if ")) {
            readIf(line, column, inner);
            return;
        }
        if (inner.starts_with("set ") || inner.starts_with("add ") ||
            inner.starts_with("subtract ")) {
            readChange(line, column, inner);
            return;
        }
        if (!content(line, column)) {
            return;
        }
        if (t == commandNames[0]) {
            add(line, ScenarioText{pageClear});
        } else if (t == commandNames[1]) {
            add(line, ScenarioEventNone{});
        } else if (t == commandNames[2]) {
            add(line, ScenarioEventGameEnd{});
        } else {
            std::string lower(t);
            std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
                return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
            });
            error(line, column,
                  "no command " + quoted(t) + didYouMean(lower, commandNames) +
                      " (a line in square brackets is [new page], [empty line] or [end]; "
                      "write \"\\" +
                      std::string(t) + "\" to show it as text)");
        }
    }

    void readOption(std::size_t line, std::string_view raw, std::string_view rest) {
        const std::size_t arrow = rest.rfind("->");
        const std::string_view label = trimmed(rest.substr(0, std::min(arrow, rest.size())));
        const std::string_view target =
            arrow == std::string_view::npos ? std::string_view{} : trimmed(rest.substr(arrow + 2));
        const std::size_t restAt = static_cast<std::size_t>(rest.data() - raw.data());
        if (target.empty()) {
            error(line, columnOf(raw, restAt + rest.size()),
                  "an option needs \"-> section\" after its label, naming the section it leads to");
            return;
        }
        if (label.empty()) {
            error(line, columnOf(raw, restAt + arrow),
                  "an option needs a label, the text the player sees, before \"->\"");
            return;
        }
        if (numbered_ && writerNumbered(label)) {
            error(line, columnOf(raw, static_cast<std::size_t>(label.data() - raw.data())),
                  "options are numbered for you, in the order written: write \"* " +
                      std::string(trimmed(label.substr(writerNumbered(label)))) +
                      "\", or \"numbering: none\" to show the labels as written");
            return;
        }
        checkShown(line, columnOf(raw, static_cast<std::size_t>(label.data() - raw.data())), label);
        SmallArray<Condition> offeredWhile;
        for (OpenBlock& block : blocks_) {
            if (block.kind == OpenBlock::Kind::Undecided) {
                block.kind = OpenBlock::Kind::Options;
            }
            if (block.kind == OpenBlock::Kind::Options) {
                offeredWhile.push_back(block.condition);
            }
        }
        if (!optionRun_) {
            ScenarioSelector selector;
            selector.firstOption = static_cast<std::uint32_t>(options_.size());
            add(line, std::move(selector));
            optionRun_ = true;
        }
        finishText();
        ++std::get<ScenarioSelector>(elements_.back()).optionCount;
        options_.push_back({StoryString(label), ListId{}, std::move(offeredWhile), {}});
        result_.source.sections.addOption(line);
        keepTarget(target, columnOf(raw, static_cast<std::size_t>(target.data() - raw.data())));
    }

    void continueText(std::size_t line, std::size_t column, std::string_view more) {
        StoryString* last = nullptr;
        if (!starts_.empty() && sectionSize() > 0) {
            Scenario& element = elements_.back();
            if (auto* text = std::get_if<ScenarioText>(&element);
                text != nullptr && text->text != pageClear) {
                last = &text->text;
            } else if (auto* selector = std::get_if<ScenarioSelector>(&element)) {
                last = &options_[selector->firstOption + selector->optionCount - 1].label;
            }
        }
        if (last == nullptr) {
            error(line, column,
                  "a line starting with \"|\" continues the text or option just above it, and "
                  "there is none");
            return;
        }
        checkShown(line, column, more);
        if (last != continued_) {
            finishText();
            continued_ = last;
            continuation_ = *last;
        }
        continuation_ += '\n';
        continuation_ += more;
    }

    // A text or label continued over several lines is written in once, when it is complete.
    void finishText() {
        if (continued_ != nullptr) {
            *continued_ = StoryString(continuation_);
            continued_ = nullptr;
            continuation_.clear();
        }
    }

    void resolveOptions() {
        // Suggestions compare with every section: a few are enough, however many names are wrong.
        constexpr std::size_t suggested = 10;
        std::size_t unknown = 0;
        std::size_t next = 0;
        std::size_t nextComposed = 0;
        for (std::size_t s = 0; s < starts_.size(); ++s) {
            const std::size_t end = s + 1 < starts_.size() ? starts_[s + 1] : elements_.size();
            for (std::size_t e = starts_[s]; e < end; ++e) {
                auto* selector = std::get_if<ScenarioSelector>(&elements_[e]);
                if (selector == nullptr) {
                    continue;
                }
                const std::span<SelectorOption> options = optionsOf(*selector);
                for (std::size_t o = 0; o < options.size(); ++o, ++next) {
                    const std::size_t at = listIndex(std::exchange(options[o].branch, ListId{}));
                    std::string_view target = targetAt(at);
                    std::size_t column = 0; // found only for a message or a slot
                    if (nextComposed < composedTargets_.size() &&
                        composedTargets_[nextComposed].option == next) {
                        target = composedTargets_[nextComposed].target;
                        column = composedTargets_[nextComposed++].column;
                    }
                    const auto line = [&] {
                        return result_.source.sections.optionLine(s + 1, e - starts_[s], o);
                    };
                    const auto where = [&] { return column != 0 ? column : columnAt(at); };
                    std::uint32_t found = index_.find(target);
                    if (found == 0 && target.ends_with(onceMark)) {
                        // "(once)" is the mark only where no section is named so.
                        target = trimmed(target.substr(0, target.size() - onceMark.size()));
                        found = index_.find(target);
                        markOnce(line(), where(), options[o]);
                    }
                    if (found == 0) {
                        error(line(), where(),
                              ++unknown <= suggested ? noSectionNamed(result_.source, target)
                                                     : "no section named " + quoted(target));
                        continue;
                    }
                    options[o].branch = listAt(found);
                }
            }
        }
        for (const PendingVisits& v : visits_) {
            const std::uint32_t found = index_.find(v.section);
            if (found == 0) {
                error(v.line, v.column, noSectionNamed(result_.source, v.section));
            } else {
                counted_.emplace_back(found - 1, v.slot);
            }
        }
        std::stable_sort(result_.errors.begin(), result_.errors.end(),
                         [](const StoryFileError& a, const StoryFileError& b) {
                             return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                         });
    }

    void markOnce(std::size_t line, std::size_t column, SelectorOption& option) {
        const std::size_t slot = newSlot(line, column, {"", ValueKind::Taken, 0, 1, 0});
        if (slot == noSlot) {
            return;
        }
        const auto s = static_cast<std::uint16_t>(slot);
        option.offeredWhile.push_back(Condition{{{s, Compare::Equal, 0}}, false});
        option.whenTaken.push_back({s, ChangeKind::Set, 1});
    }

    // Options that are always offered carry their numbers in their labels, as the C++ stories
    // write them; those offered only at times are numbered as they are shown.
    void number(StoryBuilder& b) {
        if (numbered_) {
            b.numberOptions({fullWidth_, numberBefore_, numberAfter_});
        }
        for (Scenario& element : elements_) {
            auto* found = std::get_if<ScenarioSelector>(&element);
            if (found == nullptr) {
                continue;
            }
            ScenarioSelector& selector = *found;
            const std::span<SelectorOption> options = optionsOf(selector);
            const bool conditional =
                std::any_of(options.begin(), options.end(),
                            [](const SelectorOption& o) { return !o.offeredWhile.empty(); });
            if (conditional && numbered_) {
                selector.numbered = 1;
            } else if (numbered_ && !conditional) {
                for (std::size_t o = 0; o < options.size(); ++o) {
                    options[o].label = numberFor(o + 1) + options[o].label;
                }
            }
        }
    }

    std::span<SelectorOption> optionsOf(const ScenarioSelector& selector) {
        return std::span(options_).subspan(selector.firstOption, selector.optionCount);
    }

    void build() {
        StoryBuilder b;
        number(b);
        // A counted section counts each time it begins, the opening included.
        for (const auto& [section, slot] : counted_) {
            elements_.insert(elements_.begin() + starts_[section],
                             ScenarioChange{{slot, ChangeKind::Add, 1}});
            for (std::size_t s = section + 1; s < starts_.size(); ++s) {
                ++starts_[s];
            }
            result_.source.sections.addFirstElement(section + 1);
        }
        result_.source.valueLines = valueLines_;
        for (StoryValue& value : values_) {
            static_cast<void>(b.remember(std::move(value)));
        }
        for (std::size_t s = 0; s < starts_.size(); ++s) {
            static_cast<void>(b.declare());
        }
        b.define(listAt(1), std::exchange(elements_, {}), starts_, std::exchange(options_, {}));
        // new, not make_unique: only a new-expression builds the unmovable story in place.
        result_.story.reset(new Story(std::move(b).build(listAt(1))));
    }

    std::string_view text_;
    StoryFile result_;
    // Every section's elements, one after another, and where each section starts.
    std::vector<Scenario> elements_;
    std::vector<SelectorOption> options_; // every selector's, one after another
    std::vector<std::uint32_t> starts_;
    SectionIndex index_{result_.source.sections};
    std::vector<ComposedTarget> composedTargets_;
    StoryString* continued_ = nullptr; // the text or label the lines starting with "|" continue
    std::string continuation_;         // what it holds so far
    std::array<std::size_t, settingKeys.size()> seen_{};
    std::vector<StoryValue> values_;
    std::vector<std::size_t> valueLines_;
    std::vector<PendingVisits> visits_;
    std::vector<std::pair<std::size_t, std::uint16_t>> counted_; // section, its visits slot
    std::vector<OpenBlock> blocks_;
    bool optionRun_ = false; // the last element is a selector that options may still join
    bool numbered_ = true;
    bool fullWidth_ = false;
    std::string numberBefore_;
    std::string numberAfter_ = ": ";
};

} // namespace

SectionSource SectionSources::operator[](std::size_t section) const noexcept {
    if (section >= size()) {
        return {};
    }
    const std::size_t first = section == 0 ? 0 : nameEnds_[section - 1];
    return {std::string_view(names_).substr(first, nameEnds_[section] - first), lines_[section]};
}

SectionSource SectionSources::at(std::size_t section) const {
    if (section >= size()) {
        throw std::out_of_range("SectionSources::at: no section " + std::to_string(section));
    }
    return (*this)[section];
}

std::size_t SectionSources::elementEnd(std::size_t section) const noexcept {
    return section + 1 < elementStarts_.size() ? elementStarts_[section + 1] : elementLines_.size();
}

std::size_t SectionSources::optionEnd(std::size_t element) const noexcept {
    return element + 1 < optionStarts_.size() ? optionStarts_[element + 1] : optionLines_.size();
}

std::size_t SectionSources::elementLine(std::size_t section, std::size_t element) const noexcept {
    if (section >= size() || element >= elementEnd(section) - elementStarts_[section]) {
        return 0;
    }
    return elementLines_[elementStarts_[section] + element];
}

std::size_t SectionSources::optionLine(std::size_t section, std::size_t element,
                                       std::size_t option) const noexcept {
    if (section >= size() || element >= elementEnd(section) - elementStarts_[section]) {
        return 0;
    }
    const std::size_t e = elementStarts_[section] + element;
    return option < optionEnd(e) - optionStarts_[e] ? optionLines_[optionStarts_[e] + option] : 0;
}

// Lines and offsets fit 32 bits: a story file is far smaller than 4 GB.
void SectionSources::addSection(std::string_view name, std::size_t line) {
    names_ += name;
    nameEnds_.push_back(static_cast<std::uint32_t>(names_.size()));
    lines_.push_back(static_cast<std::uint32_t>(line));
    elementStarts_.push_back(static_cast<std::uint32_t>(elementLines_.size()));
}

void SectionSources::addElement(std::size_t line) {
    elementLines_.push_back(static_cast<std::uint32_t>(line));
    optionStarts_.push_back(static_cast<std::uint32_t>(optionLines_.size()));
}

void SectionSources::addOption(std::size_t line) {
    optionLines_.push_back(static_cast<std::uint32_t>(line));
}

void SectionSources::addFirstElement(std::size_t section) {
    const std::size_t at = elementStarts_[section];
    const std::size_t options = at < optionStarts_.size() ? optionStarts_[at] : optionLines_.size();
    elementLines_.insert(elementLines_.begin() + static_cast<std::ptrdiff_t>(at), lines_[section]);
    optionStarts_.insert(optionStarts_.begin() + static_cast<std::ptrdiff_t>(at),
                         static_cast<std::uint32_t>(options));
    for (std::size_t s = section + 1; s < elementStarts_.size(); ++s) {
        ++elementStarts_[s];
    }
}

void SectionSources::reserve(std::size_t sections, std::size_t elements, std::size_t options,
                             std::size_t nameBytes) {
    names_.reserve(nameBytes);
    nameEnds_.reserve(sections);
    lines_.reserve(sections);
    elementStarts_.reserve(sections);
    elementLines_.reserve(elements);
    optionStarts_.reserve(elements);
    optionLines_.reserve(options);
}

std::string sectionName(const StorySource& source, std::size_t section) {
    if (section < source.sections.size() && !source.sections[section].name.empty()) {
        return "section " + quoted(source.sections[section].name);
    }
    return "section " + std::to_string(section);
}

std::size_t sourceLine(const StorySource& source, std::size_t section, std::size_t element,
                       std::size_t option) {
    const SectionSources& s = source.sections;
    if (element == 0) {
        return s[section].line;
    }
    if (const std::size_t line = option == 0 ? 0 : s.optionLine(section, element - 1, option - 1);
        line != 0) {
        return line;
    }
    return s.elementLine(section, element - 1);
}

std::size_t sectionIndex(const StorySource& source, std::string_view name) {
    for (std::size_t s = 1; s < source.sections.size(); ++s) {
        if (source.sections[s].name == name) {
            return s;
        }
    }
    return 0;
}

std::string noSectionNamed(const StorySource& source, std::string_view name) {
    std::vector<std::string_view> names;
    names.reserve(source.sections.size());
    for (std::size_t s = 0; s < source.sections.size(); ++s) {
        names.push_back(source.sections[s].name);
    }
    return "no section named " + quoted(name) + didYouMean(name, names);
}

std::string describe(const StoryFileError& error) {
    return error.file + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) +
           ": " + error.message;
}

StoryFile readStory(std::string_view text, std::string_view fileName) {
    return Reader(text, fileName).read();
}

} // namespace Engine
