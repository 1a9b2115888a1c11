#include "writer/story_explore.hpp"

#include "engine/interpreter.hpp"
#include "engine/story_text.hpp"
#include "framework/utf8.hpp"

#include <algorithm>
#include <cstdint>
#include <map>
#include <queue>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace Engine {

namespace {

constexpr std::uint32_t unknownState = UINT32_MAX; // beyond the bound: it may still end
constexpr std::size_t findingsPerKind = 20;
constexpr std::array<TGInput, optionKeys> selectKeys{TGInput::SelectFirst, TGInput::SelectSecond,
                                                     TGInput::SelectThird};

// Every state once, packed into a row of words: sequence, offset, mode, game over and page, then
// the story's values. Rows live one after another; an open-addressed table finds them.
class StateTable {
  public:
    explicit StateTable(std::size_t stride) : stride_(stride), table_(1024, 0) {}

    std::size_t size() const { return rows_.size() / stride_; }
    const std::uint32_t* row(std::size_t i) const { return rows_.data() + i * stride_; }
    std::size_t bytes() const {
        return rows_.capacity() * sizeof(std::uint32_t) + table_.capacity() * sizeof(std::uint32_t);
    }

    // The row's index, and whether it is new; unknownState when it is new and `full`.
    std::pair<std::uint32_t, bool> insert(const std::vector<std::uint32_t>& key, bool full) {
        if ((size() + 1) * 2 > table_.size()) {
            grow();
        }
        for (std::size_t at = hash(key.data()) & (table_.size() - 1);;
             at = (at + 1) & (table_.size() - 1)) {
            const std::uint32_t held = table_[at];
            if (held == 0) {
                if (full) {
                    return {unknownState, true};
                }
                rows_.insert(rows_.end(), key.begin(), key.end());
                table_[at] = static_cast<std::uint32_t>(size());
                return {static_cast<std::uint32_t>(size() - 1), true};
            }
            if (std::equal(key.begin(), key.end(), row(held - 1))) {
                return {held - 1, false};
            }
        }
    }

  private:
    std::uint64_t hash(const std::uint32_t* words) const {
        std::uint64_t h = 0x9E3779B97F4A7C15u;
        for (std::size_t i = 0; i < stride_; ++i) {
            h = (h ^ words[i]) * 0xBF58476D1CE4E5B9u;
            h ^= h >> 31;
        }
        return h;
    }

    void grow() {
        std::vector<std::uint32_t> bigger(table_.size() * 2, 0);
        for (std::size_t i = 0; i < size(); ++i) {
            std::size_t at = hash(row(i)) & (bigger.size() - 1);
            while (bigger[at] != 0) {
                at = (at + 1) & (bigger.size() - 1);
            }
            bigger[at] = static_cast<std::uint32_t>(i + 1);
        }
        table_.swap(bigger);
    }

    std::size_t stride_;
    std::vector<std::uint32_t> rows_;
    std::vector<std::uint32_t> table_;
};

class Walk {
  public:
    Walk(const Story& story, const TextFit* fit, std::size_t bound)
        : story_(story), fit_(fit), bound_(bound), slots_(story.values().size()),
          table_(3 + slots_) {
        if (fit_ != nullptr && fit_->lineSkip > 0) {
            pageLines_ = fit_->storyHeight / fit_->lineSkip;
        }
        for (std::size_t s = 0; s < story.sequenceCount(); ++s) {
            reached_.emplace_back(story.elements(listAt(s)).size(), false);
        }
    }

    void walk() {
        add(initialEngineState(story_), 0, TGInput::InputNone, 0, false);
        passOver(story_.start(), story_.startValues(), 0, TGInput::InputNone);
        for (std::size_t i = 0; i < table_.size(); ++i) {
            edgeStart_.push_back(static_cast<std::uint32_t>(edges_.size()));
            expand(static_cast<std::uint32_t>(i));
        }
        edgeStart_.push_back(static_cast<std::uint32_t>(edges_.size()));
        result_.states = table_.size();
        ends_.resize(table_.size());
    }

    StoryStats stats() &&;

    Playthroughs run() && {
        walk();
        findTraps();
        if (result_.complete) {
            findUnreached();
        }
        findUnusedValues();
        result_.bytes = std::max(result_.bytes, memory());
        std::stable_sort(result_.findings.begin(), result_.findings.end(),
                         [](const Finding& a, const Finding& b) {
                             return std::pair(a.sequence, a.element) <
                                    std::pair(b.sequence, b.element);
                         });
        return std::move(result_);
    }

  private:
    std::size_t memory() const {
        return table_.bytes() + parent_.capacity() * sizeof(std::uint32_t) + key_.capacity() +
               edgeStart_.capacity() * sizeof(std::uint32_t) +
               edges_.capacity() * sizeof(std::uint32_t);
    }

    std::vector<std::uint32_t> pack(const EngineState& state, int page) const {
        std::vector<std::uint32_t> key(3 + slots_);
        key[0] = static_cast<std::uint32_t>(listIndex(state.cursor.remaining.list));
        key[1] = state.cursor.remaining.offset;
        key[2] = static_cast<std::uint32_t>(state.cursor.mode == Mode::Choose) |
                 static_cast<std::uint32_t>(state.gameOver) << 1 |
                 static_cast<std::uint32_t>(page) << 8;
        for (std::size_t s = 0; s < slots_; ++s) {
            key[3 + s] = static_cast<std::uint32_t>(state.values[s]);
        }
        return key;
    }

    EngineState unpack(std::uint32_t i, int& page) const {
        const std::uint32_t* row = table_.row(i);
        EngineState state;
        state.cursor.remaining = ScenarioList{&story_, listAt(row[0]), row[1]};
        state.cursor.mode = (row[2] & 1) != 0 ? Mode::Choose : Mode::Normal;
        state.gameOver = (row[2] & 2) != 0;
        page = static_cast<int>(row[2] >> 8);
        for (std::size_t s = 0; s < slots_; ++s) {
            state.values[s] = static_cast<std::int32_t>(row[3 + s]);
        }
        return state;
    }

    // The state a key leads to from state `from`; the start has no key and no edge.
    void add(const EngineState& state, int page, TGInput key, std::uint32_t from,
             bool edge = true) {
        const auto [index, fresh] = table_.insert(pack(state, page), table_.size() >= bound_);
        if (index == unknownState) {
            result_.complete = false;
        } else if (fresh) {
            parent_.push_back(from);
            key_.push_back(static_cast<std::uint8_t>(key));
        }
        if (edge) {
            edges_.push_back(index);
        }
    }

    std::vector<TGInput> keysTo(std::uint32_t i) const {
        std::vector<TGInput> keys;
        for (; i != 0; i = parent_[i]) {
            keys.push_back(static_cast<TGInput>(key_[i]));
        }
        std::reverse(keys.begin(), keys.end());
        return keys;
    }

    // Once per kind and element: the first, found breadth first, has the shortest keys.
    // The keys end with `then`, the key that shows it from `state`, unless that is InputNone.
    void report(char kind, std::size_t s, std::size_t element, std::string message,
                std::uint32_t state, TGInput then = TGInput::InputNone) {
        if (!said_.insert({kind, s, element}).second || said_.size() > 10 * findingsPerKind) {
            return;
        }
        std::vector<TGInput> keys = keysTo(state);
        if (then != TGInput::InputNone) {
            keys.push_back(then);
        }
        result_.findings.push_back({s, element, std::move(message), 0, std::move(keys)});
    }

    std::string valuesText(const StoryValues& values) const {
        std::string text;
        for (std::size_t s = 0; s < slots_; ++s) {
            const StoryValue& v = story_.values()[s];
            if (v.kind == ValueKind::Number) {
                text += (text.empty() ? "" : ", ") + v.name + " " + std::to_string(values[s]);
            } else if (v.kind == ValueKind::Flag) {
                text += (text.empty() ? "" : ", ") + v.name + (values[s] != 0 ? " on" : " off");
            }
        }
        return text;
    }

    // The changes a step passes over, in the order the interpreter makes them.
    void passOver(ScenarioList list, StoryValues values, std::uint32_t state, TGInput key) {
        for (;;) {
            const std::span<const Scenario> rest = remainingElements(list);
            if (rest.empty()) {
                return;
            }
            reached_[listIndex(list.list)][list.offset] = true;
            if (const auto* change = std::get_if<ScenarioChange>(&rest.front())) {
                const ValueChange& c = change->change;
                const StoryValue& v = story_.values()[c.slot];
                const std::int64_t wanted = changedValue(c, values[c.slot]);
                if (v.kind == ValueKind::Number && (wanted < v.least || wanted > v.most)) {
                    report('r', listIndex(list.list), list.offset + 1,
                           "number " + quoted(v.name) + " would be " + std::to_string(wanted) +
                               ", outside its range " + std::to_string(v.least) + " to " +
                               std::to_string(v.most) + ", and stays " +
                               std::to_string(std::clamp<std::int64_t>(wanted, v.least, v.most)),
                           state, key);
                }
                values[c.slot] =
                    static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, v.least, v.most));
                ++list.offset;
            } else if (const auto* jump = std::get_if<ScenarioJump>(&rest.front())) {
                list.offset += 1 + (holds(jump->when, values) ? jump->forward : 0);
            } else {
                return;
            }
        }
    }

    int widest(const std::string& text) {
        const auto known = widths_.find(text);
        if (known != widths_.end()) {
            return known->second;
        }
        const int widest = widestRun(text, *fit_);
        widths_.emplace(text, widest);
        return widest;
    }

    void expand(std::uint32_t i) {
        int page = 0;
        const EngineState state = unpack(i, page);
        if (state.gameOver) {
            ++result_.endings;
            ends_.resize(i + 1);
            ends_[i] = true;
            return;
        }
        const ScenarioList at = state.cursor.remaining;
        const std::size_t s = listIndex(at.list);
        const std::size_t element = at.offset + 1;
        const std::span<const Scenario> rest = remainingElements(at);
        if (!rest.empty()) {
            reached_[s][at.offset] = true;
        }
        if (state.cursor.mode == Mode::Choose) {
            choices(state, i, page);
            return;
        }
        // What is not text, a choice about to be offered or a pause, writes an empty line.
        int lines = fed(Page{page}, "").lines;
        if (!rest.empty()) {
            if (const auto* text = std::get_if<ScenarioText>(&rest.front())) {
                const bool showsValues = text->text.find('{') != std::string::npos && slots_ > 0;
                const std::string shown = showsValues ? shownText(state) : std::string{};
                const std::string_view line =
                    showsValues ? std::string_view(shown) : text->text.view();
                lines = fed(Page{page}, line).lines;
                if (showsValues && fit_ != nullptr) {
                    if (const int width = widest(shown); width > fit_->panelWidth) {
                        report('w', s, element,
                               "line is " + std::to_string(width) + " px, the panel is " +
                                   std::to_string(fit_->panelWidth) + ", shown as " + quoted(shown),
                               i, TGInput::TextFeed);
                    }
                }
            }
            if (!std::holds_alternative<ScenarioSelector>(rest.front())) {
                passOver(nextElement(at).tail, state.values, i, TGInput::TextFeed);
            }
        }
        if (pageLines_ != 0 && tooTall(lines, *fit_, fit_->storyHeight) && page <= pageLines_) {
            report('p', s, element,
                   "page is " + std::to_string(lines * fit_->lineSkip) + " px, the panel is " +
                       std::to_string(fit_->storyHeight),
                   i, TGInput::TextFeed);
        }
        add(update(TGInput::TextFeed, state), pageLines_ == 0 ? 0 : std::min(lines, pageLines_ + 1),
            TGInput::TextFeed, i);
    }

    // The options as the choices panel shows them, numbered among those offered.
    void measureChoices(const EngineState& state, std::uint32_t i) {
        const std::size_t s = listIndex(state.cursor.remaining.list);
        const std::size_t element = state.cursor.remaining.offset + 1;
        const std::vector<std::string> labels = offeredLabels(state);
        for (const std::string& label : labels) {
            if (const int width = widest(label); width > fit_->panelWidth) {
                report('W', s, element,
                       "option " + quoted(label) + " is " + std::to_string(width) +
                           " px, the panel is " + std::to_string(fit_->panelWidth),
                       i);
            }
        }
        if (const int lines = choicesLines(labels); tooTall(lines, *fit_, fit_->choicesHeight)) {
            report('C', s, element,
                   "the options offered take " + std::to_string(lines * fit_->lineSkip) +
                       " px, the choices panel is " + std::to_string(fit_->choicesHeight),
                   i);
        }
    }

    void choices(const EngineState& state, std::uint32_t i, int /*page*/) {
        const ScenarioList at = state.cursor.remaining;
        const std::size_t s = listIndex(at.list);
        const auto& selector = std::get<ScenarioSelector>(remainingElements(at).front());
        const std::vector<std::size_t> offered = offeredOptions(state);
        auto& shown = offered_[{s, at.offset}];
        shown.resize(story_.options(selector).size());
        for (const std::size_t o : offered) {
            shown[o] = true;
        }
        if (fit_ != nullptr && (selector.numbered || showsValues(story_, selector))) {
            measureChoices(state, i);
        }
        if (offered.size() > optionKeys) {
            report('o', s, at.offset + 1,
                   std::to_string(offered.size()) + " options offered at once, but " +
                       keysTakeOnly() +
                       (slots_ > 0 ? " (with " + valuesText(state.values) + ")" : ""),
                   i);
        }
        for (std::size_t k = 0; k < std::min(offered.size(), optionKeys); ++k) {
            const SelectorOption& option = story_.options(selector)[offered[k]];
            if (story_.elements(option.branch).empty()) {
                continue;
            }
            StoryValues values = state.values;
            for (const ValueChange& change : option.whenTaken) {
                values[change.slot] =
                    static_cast<std::int32_t>(changedValue(change, values[change.slot]));
            }
            passOver(story_.list(option.branch), values, i, selectKeys[k]);
            add(update(selectKeys[k], state), 0, selectKeys[k], i);
        }
    }

    // A state from which no ending can be reached is a trap; beyond the bound, one may be.
    void findTraps() {
        const std::size_t n = table_.size();
        ends_.resize(n);
        std::vector<std::uint32_t> backStart(n + 1, 0);
        std::vector<bool> canEnd(n, false);
        std::vector<std::uint32_t> queue;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::uint32_t e = edgeStart_[i]; e < edgeStart_[i + 1]; ++e) {
                if (edges_[e] == unknownState) {
                    canEnd[i] = true;
                } else {
                    ++backStart[edges_[e] + 1];
                }
            }
            if (ends_[i] || canEnd[i]) {
                canEnd[i] = true;
                queue.push_back(static_cast<std::uint32_t>(i));
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            backStart[i + 1] += backStart[i];
        }
        std::vector<std::uint32_t> back(backStart[n]);
        std::vector<std::uint32_t> fill(backStart.begin(), backStart.end() - 1);
        for (std::size_t i = 0; i < n; ++i) {
            for (std::uint32_t e = edgeStart_[i]; e < edgeStart_[i + 1]; ++e) {
                if (edges_[e] != unknownState) {
                    back[fill[edges_[e]]++] = static_cast<std::uint32_t>(i);
                }
            }
        }
        result_.bytes = memory() + back.capacity() * sizeof(std::uint32_t) +
                        backStart.capacity() * sizeof(std::uint32_t) + n / 8;
        for (std::size_t q = 0; q < queue.size(); ++q) {
            const std::uint32_t i = queue[q];
            for (std::uint32_t b = backStart[i]; b < backStart[i + 1]; ++b) {
                if (!canEnd[back[b]]) {
                    canEnd[back[b]] = true;
                    queue.push_back(back[b]);
                }
            }
        }
        std::set<std::size_t> sections;
        for (std::uint32_t i = 0; i < n && sections.size() < findingsPerKind; ++i) {
            int page = 0;
            const EngineState state = unpack(i, page);
            const std::size_t s = listIndex(state.cursor.remaining.list);
            // Only the step into a trap is named: what follows it is trapped as well.
            if (canEnd[i] || (i != 0 && !canEnd[parent_[i]]) || !sections.insert(s).second) {
                continue;
            }
            const std::size_t size = story_.elements(listAt(s)).size();
            const std::size_t element = std::min<std::size_t>(state.cursor.remaining.offset + 1,
                                                              std::max<std::size_t>(size, 1));
            report('t', s, element,
                   "a trap: no ending can be reached from here" +
                       (slots_ > 0 ? " (with " + valuesText(state.values) + ")" : ""),
                   i);
        }
    }

    void findUnreached() {
        for (std::size_t s = 1; s < story_.sequenceCount(); ++s) {
            const std::span<const Scenario> elements = story_.elements(listAt(s));
            const auto& reached = reached_[s];
            const bool any = std::find(reached.begin(), reached.end(), true) != reached.end();
            if (!any) {
                if (std::any_of(elements.begin(), elements.end(), [](const Scenario& e) {
                        return std::holds_alternative<ScenarioText>(e) ||
                               std::holds_alternative<ScenarioSelector>(e);
                    })) {
                    result_.findings.push_back({s, 0, "no playthrough reaches this section"});
                }
                continue;
            }
            for (std::size_t e = 0; e < elements.size(); ++e) {
                const bool text = std::holds_alternative<ScenarioText>(elements[e]);
                const bool change = std::holds_alternative<ScenarioChange>(elements[e]);
                const auto* selector = std::get_if<ScenarioSelector>(&elements[e]);
                if (!reached[e] && (text || change || selector != nullptr)) {
                    result_.findings.push_back({s, e + 1,
                                                text     ? "no playthrough shows this line"
                                                : change ? "no playthrough makes this change"
                                                         : "no playthrough reaches these options"});
                } else if (selector != nullptr) {
                    const std::vector<bool>& shown = offered_[{s, e}];
                    const std::span<const SelectorOption> options = story_.options(*selector);
                    for (std::size_t o = 0; o < options.size(); ++o) {
                        if (o >= shown.size() || !shown[o]) {
                            result_.findings.push_back({s, e + 1,
                                                        "option " + quoted(options[o].label) +
                                                            " is offered in no playthrough",
                                                        o + 1});
                        }
                    }
                }
            }
        }
    }

    void findUnusedValues() {
        std::vector<bool> read(slots_, false);
        std::vector<bool> set(slots_, false);
        const auto reads = [&read](const Condition& condition) {
            for (const ValueTest& test : condition.tests) {
                read[test.slot] = true;
            }
        };
        const auto shows = [&read, this](std::string_view text) {
            for (std::size_t slot = 0; slot < slots_; ++slot) {
                const StoryValue& v = story_.values()[slot];
                if (v.kind == ValueKind::Number &&
                    text.find("{" + v.name + "}") != std::string_view::npos) {
                    read[slot] = true;
                }
            }
        };
        for (std::size_t s = 1; s < story_.sequenceCount(); ++s) {
            for (const Scenario& element : story_.elements(listAt(s))) {
                if (const auto* change = std::get_if<ScenarioChange>(&element)) {
                    set[change->change.slot] = true;
                } else if (const auto* jump = std::get_if<ScenarioJump>(&element)) {
                    reads(jump->when);
                } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                    for (const SelectorOption& option : story_.options(*selector)) {
                        std::for_each(option.offeredWhile.begin(), option.offeredWhile.end(),
                                      reads);
                        shows(option.label);
                    }
                } else if (const auto* text = std::get_if<ScenarioText>(&element)) {
                    shows(text->text);
                }
            }
        }
        for (std::size_t slot = 0; slot < slots_; ++slot) {
            const StoryValue& v = story_.values()[slot];
            if (v.kind != ValueKind::Number && v.kind != ValueKind::Flag) {
                continue;
            }
            const std::string what =
                (v.kind == ValueKind::Number ? "number " : "flag ") + quoted(v.name);
            if (read[slot] && !set[slot]) {
                result_.findings.push_back({0, slot + 1, what + " is read but never set"});
            } else if (!read[slot] && set[slot]) {
                result_.findings.push_back({0, slot + 1, what + " is set but never read"});
            } else if (!read[slot]) {
                result_.findings.push_back({0, slot + 1, what + " is never used"});
            }
        }
    }

    const Story& story_;
    const TextFit* fit_;
    std::size_t bound_;
    std::size_t slots_;
    int pageLines_ = 0; // 0: pages are not measured
    StateTable table_;
    std::vector<std::uint32_t> parent_;
    std::vector<std::uint8_t> key_;
    std::vector<std::uint32_t> edgeStart_;
    std::vector<std::uint32_t> edges_;
    std::vector<bool> ends_;
    std::vector<std::vector<bool>> reached_;
    std::map<std::pair<std::size_t, std::size_t>, std::vector<bool>> offered_;
    std::set<std::tuple<char, std::size_t, std::size_t>> said_;
    std::unordered_map<std::string, int> widths_;
    Playthroughs result_;
};

struct TextCounts {
    std::size_t japanese = 0;
    std::size_t words = 0;
};

// Kana, kanji and full-width marks one by one; Latin words as runs of letters and digits.
TextCounts countText(std::string_view text) {
    TextCounts counts;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size();) {
        const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(text, i);
        const bool latin = (d.cp >= U'a' && d.cp <= U'z') || (d.cp >= U'A' && d.cp <= U'Z') ||
                           (d.cp >= U'0' && d.cp <= U'9') || (d.cp >= 0xC0 && d.cp <= 0x24F);
        counts.words += latin && !inWord ? 1 : 0;
        inWord = latin || (inWord && (d.cp == U'\'' || d.cp == U'-'));
        counts.japanese +=
            (d.cp >= 0x3000 && d.cp <= 0x9FFF) || (d.cp >= 0xFF00 && d.cp <= 0xFFEF) ? 1 : 0;
        i += d.length;
    }
    return counts;
}

double readingSeconds(std::string_view text) {
    const TextCounts counts = countText(text);
    return static_cast<double>(counts.japanese) * 60 / japaneseCharactersPerMinute +
           static_cast<double>(counts.words) * 60 / latinWordsPerMinute;
}

void addCounts(std::string_view text, StoryStats& stats) {
    const TextCounts counts = countText(text);
    stats.japaneseCharacters += counts.japanese;
    stats.latinWords += counts.words;
}

StoryStats Walk::stats() && {
    walk();
    StoryStats stats;
    stats.states = table_.size();
    stats.complete = result_.complete;
    stats.sections = story_.sequenceCount() - 1;
    for (std::size_t s = 1; s < story_.sequenceCount(); ++s) {
        for (const Scenario& element : story_.elements(listAt(s))) {
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                if (text->text != pageClear) {
                    ++stats.lines;
                    addCounts(text->text, stats);
                }
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                for (const SelectorOption& option : story_.options(*selector)) {
                    addCounts(option.label, stats);
                }
            }
        }
    }
    const std::size_t n = table_.size();
    // What the space from each state shows, in seconds of reading.
    std::vector<double> seconds(n, 0);
    for (std::uint32_t i = 0; i < n; ++i) {
        int page = 0;
        const EngineState state = unpack(i, page);
        if (!state.gameOver && state.cursor.mode == Mode::Normal) {
            seconds[i] = readingSeconds(shownText(state));
        }
    }
    // Kahn's order: what it never takes lies on a loop or after one.
    std::vector<std::uint32_t> in(n, 0);
    for (const std::uint32_t to : edges_) {
        if (to != unknownState) {
            ++in[to];
        }
    }
    std::vector<std::uint32_t> order;
    order.reserve(n);
    if (n != 0 && in[0] == 0) {
        order.push_back(0);
    }
    std::vector<std::uint64_t> paths(n, 0);
    std::vector<bool> saturated(n, false);
    std::vector<std::size_t> mostKeys(n, 0);
    std::vector<double> mostSeconds(n, 0);
    if (n != 0) {
        paths[0] = 1;
    }
    for (std::size_t q = 0; q < order.size(); ++q) {
        const std::uint32_t i = order[q];
        for (std::uint32_t e = edgeStart_[i]; e < edgeStart_[i + 1]; ++e) {
            const std::uint32_t to = edges_[e];
            if (to == unknownState) {
                continue;
            }
            const std::uint64_t sum = paths[to] + paths[i];
            saturated[to] = saturated[to] || saturated[i] || sum < paths[to];
            paths[to] = sum < paths[to] ? UINT64_MAX : sum;
            mostKeys[to] = std::max(mostKeys[to], mostKeys[i] + 1);
            mostSeconds[to] = std::max(mostSeconds[to], mostSeconds[i] + seconds[i]);
            if (--in[to] == 0) {
                order.push_back(to);
            }
        }
    }
    std::vector<bool> ordered(n, false);
    for (const std::uint32_t i : order) {
        ordered[i] = true;
    }
    // Least reading: Dijkstra, as loops may lie on the way.
    std::vector<double> leastSeconds(n, -1);
    std::priority_queue<std::pair<double, std::uint32_t>,
                        std::vector<std::pair<double, std::uint32_t>>, std::greater<>>
        heap;
    if (n != 0) {
        heap.emplace(0.0, 0);
    }
    while (!heap.empty()) {
        const auto [d, i] = heap.top();
        heap.pop();
        if (leastSeconds[i] >= 0) {
            continue;
        }
        leastSeconds[i] = d;
        for (std::uint32_t e = edgeStart_[i]; e < edgeStart_[i + 1]; ++e) {
            if (edges_[e] != unknownState && leastSeconds[edges_[e]] < 0) {
                heap.emplace(d + seconds[i], edges_[e]);
            }
        }
    }
    std::map<std::pair<std::size_t, std::size_t>, EndingWays> endings;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (!ends_[i]) {
            continue;
        }
        int page = 0;
        const EngineState state = unpack(i, page);
        const std::size_t s = listIndex(state.cursor.remaining.list);
        const std::span<const Scenario> elements = story_.elements(listAt(s));
        std::size_t at = state.cursor.remaining.offset;
        for (std::size_t look : {at, at - 1, at + 1}) {
            if (look < elements.size() &&
                std::holds_alternative<ScenarioEventGameEnd>(elements[look])) {
                at = look;
                break;
            }
        }
        const std::size_t depth = keysTo(i).size();
        auto [found, fresh] = endings.try_emplace({s, at + 1});
        EndingWays& ways = found->second;
        if (fresh) {
            ways = {s, at + 1, {}, depth, depth, leastSeconds[i], 0, false};
            for (std::size_t t = std::min(at, elements.size()); t-- > 0;) {
                const auto* text = std::get_if<ScenarioText>(&elements[t]);
                if (text != nullptr && text->text != pageClear) {
                    ways.lastLine = text->text;
                    break;
                }
            }
        }
        ways.fewestKeys = std::min(ways.fewestKeys, depth);
        ways.leastSeconds = std::min(ways.leastSeconds, leastSeconds[i]);
        ways.endless = ways.endless || !ordered[i];
        if (ordered[i]) {
            ways.mostKeys = std::max(ways.mostKeys, mostKeys[i]);
            ways.mostSeconds = std::max(ways.mostSeconds, mostSeconds[i]);
            const std::uint64_t sum = stats.playthroughs + paths[i];
            stats.morePlaythroughs = stats.morePlaythroughs || saturated[i] || sum < paths[i];
            stats.playthroughs = sum < paths[i] ? UINT64_MAX : sum;
        } else {
            stats.morePlaythroughs = true;
        }
    }
    for (auto& [place, ways] : endings) {
        stats.endings.push_back(std::move(ways));
    }
    return stats;
}

} // namespace

StoryStats storyStats(const Story& story, std::size_t bound) {
    return Walk(story, nullptr, std::max<std::size_t>(bound, 1)).stats();
}

Playthroughs explorePlaythroughs(const Story& story, const TextFit* fit, std::size_t bound) {
    return Walk(story, fit, std::max<std::size_t>(bound, 1)).run();
}

} // namespace Engine
