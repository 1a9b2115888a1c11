#include "engine/story_file.hpp"

#include "framework/utf8.hpp"

#include <algorithm>
#include <array>
#include <unordered_map>
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

std::string quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
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

constexpr std::array<std::string_view, 3> settingKeys{"title", "picture", "numbering"};
constexpr std::array<std::string_view, 3> commandNames{"[new page]", "[empty line]", "[end]"};

struct PendingOption {
    std::size_t section;
    std::size_t element;
    std::size_t option;
    std::string target;
    std::size_t line;
    std::size_t column;
};

class Reader {
  public:
    Reader(std::string_view text, std::string_view fileName) : text_(text) {
        result_.source.file = fileName;
        result_.source.sections.emplace_back(); // the empty list
    }

    StoryFile read() && {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
            text_.remove_prefix(3);
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
        if (sections_.empty() && result_.errors.empty()) {
            error(1, 1, "the story has no section yet; start one with a line \"== name\"");
        }
        resolveOptions();
        // The names have done their work; the story is built without them.
        pending_ = {};
        index_ = {};
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
        for (std::size_t start = 0; start < text_.size();) {
            const std::size_t first = text_.find_first_not_of(blanks, start);
            if (first == std::string_view::npos) {
                break;
            }
            sections += text_.substr(first, 2) == "==" ? 1 : 0;
            options += text_[first] == '*' ? 1 : 0;
            const std::size_t end = text_.find('\n', first);
            start = end == std::string_view::npos ? text_.size() : end + 1;
        }
        sections_.reserve(sections);
        result_.source.sections.reserve(sections + 1);
        index_.reserve(sections);
        pending_.reserve(options);
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

    void readLine(std::size_t line, std::string_view raw) {
        if (!readable(line, raw)) {
            return;
        }
        const std::string_view t = trimmed(raw);
        const std::size_t column = columnOf(raw, raw.find_first_not_of(blanks));
        if (t.empty() || t.front() == '#') {
            return;
        }
        if (t.substr(0, 2) == "==") {
            startSection(line, column, t);
        } else if (sections_.empty()) {
            readSetting(line, column, t);
        } else if (t.front() == '*' && (t.size() == 1 || t[1] == ' ' || t[1] == '\t')) {
            readOption(line, raw, t.substr(1));
        } else if (t.front() == '|') {
            continueText(line, column, t.substr(t.substr(1, 1) == " " ? 2 : 1));
        } else if (t.front() == '[' && t.back() == ']') {
            readCommand(line, column, t);
        } else {
            addText(line, t.front() == '\\' ? t.substr(1) : t);
        }
    }

    void startSection(std::size_t line, std::size_t column, std::string_view t) {
        const std::size_t first = t.find_first_not_of("= \t");
        const std::string_view name =
            first == std::string_view::npos
                ? std::string_view{}
                : trimmed(t.substr(first, t.find_last_not_of("= \t") - first + 1));
        if (name.empty()) {
            error(line, column, "a section needs a name after \"==\"");
            return;
        }
        const auto [known, added] = index_.try_emplace(std::string(name), sections_.size() + 1);
        if (!added) {
            error(line, column,
                  "there is already a section named " + quoted(name) + ", at line " +
                      std::to_string(result_.source.sections[known->second].line));
            // Later lines still belong somewhere; they go to a section no option can name.
        }
        sections_.emplace_back();
        result_.source.sections.push_back({std::string(name), line, {}, {}});
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
        const auto at = std::find(settingKeys.begin(), settingKeys.end(), key);
        if (at == settingKeys.end()) {
            error(line, column,
                  "no setting named " + quoted(key) + didYouMean(key, settingKeys) +
                      " (the settings are title, picture and numbering)");
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

    std::string numberFor(std::size_t n) const {
        std::string digits = std::to_string(n);
        if (!fullWidth_) {
            return numberBefore_ + digits + numberAfter_;
        }
        std::string wide;
        for (const char d : digits) {
            Framework::Utf8::append(wide, U'０' + static_cast<char32_t>(d - '0'));
        }
        return numberBefore_ + wide + numberAfter_;
    }

    void add(std::size_t line, Scenario element) {
        sections_.back().push_back(std::move(element));
        result_.source.sections.back().elementLines.push_back(line);
        result_.source.sections.back().optionLines.emplace_back();
        optionRun_ = false;
    }

    void addText(std::size_t line, std::string_view text) {
        add(line, ScenarioText{std::string(text)});
    }

    void readCommand(std::size_t line, std::size_t column, std::string_view t) {
        if (t == commandNames[0]) {
            add(line, ScenarioText{std::string(pageClear)});
        } else if (t == commandNames[1]) {
            add(line, ScenarioEventNone{});
        } else if (t == commandNames[2]) {
            add(line, ScenarioEventGameEnd{});
        } else {
            error(line, column,
                  "no command " + quoted(t) + didYouMean(t, commandNames) +
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
        if (!optionRun_) {
            add(line, ScenarioSelector{});
            optionRun_ = true;
        }
        auto& options = std::get<ScenarioSelector>(sections_.back().back()).options;
        const std::string number = numbered_ ? numberFor(options.size() + 1) : "";
        options.push_back({number + std::string(label), ListId{}});
        result_.source.sections.back().optionLines.back().push_back(line);
        pending_.push_back({sections_.size(), sections_.back().size() - 1, options.size() - 1,
                            std::string(target), line,
                            columnOf(raw, static_cast<std::size_t>(target.data() - raw.data()))});
    }

    void continueText(std::size_t line, std::size_t column, std::string_view more) {
        std::string* last = nullptr;
        if (!sections_.empty() && !sections_.back().empty()) {
            Scenario& element = sections_.back().back();
            if (auto* text = std::get_if<ScenarioText>(&element);
                text != nullptr && text->text != pageClear) {
                last = &text->text;
            } else if (auto* selector = std::get_if<ScenarioSelector>(&element)) {
                last = &selector->options.back().label;
            }
        }
        if (last == nullptr) {
            error(line, column,
                  "a line starting with \"|\" continues the text or option just above it, and "
                  "there is none");
            return;
        }
        *last += '\n';
        *last += more;
    }

    void resolveOptions() {
        // Suggestions compare with every section: a few are enough, however many names are wrong.
        constexpr std::size_t suggested = 10;
        std::size_t unknown = 0;
        for (const PendingOption& p : pending_) {
            const auto found = index_.find(p.target);
            if (found == index_.end()) {
                error(p.line, p.column,
                      ++unknown <= suggested ? noSectionNamed(result_.source, p.target)
                                             : "no section named " + quoted(p.target));
                continue;
            }
            auto& selector = std::get<ScenarioSelector>(sections_[p.section - 1][p.element]);
            selector.options[p.option].branch = listAt(found->second);
        }
        std::stable_sort(result_.errors.begin(), result_.errors.end(),
                         [](const StoryFileError& a, const StoryFileError& b) {
                             return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                         });
    }

    void build() {
        StoryBuilder b;
        for (std::size_t s = 0; s < sections_.size(); ++s) {
            static_cast<void>(b.declare());
        }
        for (std::size_t s = 0; s < sections_.size(); ++s) {
            b.define(listAt(s + 1), std::move(sections_[s]));
        }
        // new, not make_unique: only a new-expression builds the unmovable story in place.
        result_.story.reset(new Story(std::move(b).build(listAt(1))));
    }

    std::string_view text_;
    StoryFile result_;
    std::vector<std::vector<Scenario>> sections_;
    std::unordered_map<std::string, std::size_t> index_;
    std::vector<PendingOption> pending_;
    std::array<std::size_t, settingKeys.size()> seen_{};
    bool optionRun_ = false; // the last element is a selector that options may still join
    bool numbered_ = true;
    bool fullWidth_ = false;
    std::string numberBefore_;
    std::string numberAfter_ = ": ";
};

} // namespace

std::string sectionName(const StorySource& source, std::size_t section) {
    if (section < source.sections.size() && !source.sections[section].name.empty()) {
        return "section " + quoted(source.sections[section].name);
    }
    return "section " + std::to_string(section);
}

std::size_t sourceLine(const StorySource& source, std::size_t section, std::size_t element,
                       std::size_t option) {
    if (section >= source.sections.size()) {
        return 0;
    }
    const SectionSource& s = source.sections[section];
    if (element == 0) {
        return s.line;
    }
    if (option != 0 && element <= s.optionLines.size() &&
        option <= s.optionLines[element - 1].size()) {
        return s.optionLines[element - 1][option - 1];
    }
    return element <= s.elementLines.size() ? s.elementLines[element - 1] : 0;
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
    for (const SectionSource& section : source.sections) {
        names.emplace_back(section.name);
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
