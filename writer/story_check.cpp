#include "writer/story_check.hpp"

#include "engine/story_text.hpp"
#include "framework/utf8.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <set>

namespace Engine {

namespace {

// "line 14" in a story from a file, "element 2" in one from C++.
std::string place(const StorySource& source, std::size_t s, std::size_t element) {
    if (const std::size_t line = sourceLine(source, s, element); line != 0) {
        return "line " + std::to_string(line);
    }
    return "element " + std::to_string(element);
}

// The branches a player can reach from a sequence: taken by a key, and not empty.
// At most one for each option key; no array of its own, as it is asked for every sequence.
struct Successors {
    std::array<ListId, optionKeys> ids{};
    std::size_t count = 0;
    [[nodiscard]] const ListId* begin() const noexcept { return ids.data(); }
    [[nodiscard]] const ListId* end() const noexcept { return ids.data() + count; }
};

Successors successors(const Story& story, ListId id) {
    Successors next;
    if (const ScenarioSelector* selector = exitOf(story.elements(id)).selector) {
        for (const SelectorOption& option : keyedOptions(story, *selector)) {
            if (!story.elements(option.branch).empty()) {
                next.ids[next.count++] = option.branch;
            }
        }
    }
    return next;
}

// Each sequence's neighbours in one array, those of s from first[s] up to first[s + 1]: a story
// of millions of sections keeps no array for each.
struct Edges {
    std::vector<std::uint32_t> first;
    std::vector<ListId> to;
};

// From each sequence to its successors, or (backwards) from each to those it succeeds.
Edges edgesOf(const Story& story, bool backwards) {
    const std::size_t n = story.sequenceCount();
    Edges edges{std::vector<std::uint32_t>(n + 1, 0), {}};
    for (std::size_t s = 1; s < n; ++s) {
        for (const ListId next : successors(story, listAt(s))) {
            ++edges.first[(backwards ? listIndex(next) : s) + 1];
        }
    }
    for (std::size_t s = 0; s < n; ++s) {
        edges.first[s + 1] += edges.first[s];
    }
    edges.to.resize(edges.first[n]);
    std::vector<std::uint32_t> filled(edges.first.begin(), edges.first.end() - 1);
    for (std::size_t s = 1; s < n; ++s) {
        for (const ListId next : successors(story, listAt(s))) {
            const std::size_t from = backwards ? listIndex(next) : s;
            edges.to[filled[from]++] = backwards ? listAt(s) : next;
        }
    }
    return edges;
}

// Every sequence the edges lead to from the given ones, those included.
std::vector<bool> spread(const Edges& edges, std::deque<ListId> queue) {
    std::vector<bool> seen(edges.first.size() - 1, false);
    while (!queue.empty()) {
        const std::size_t s = listIndex(queue.front());
        queue.pop_front();
        if (s < seen.size() && !seen[s]) {
            seen[s] = true;
            queue.insert(queue.end(), edges.to.begin() + edges.first[s],
                         edges.to.begin() + edges.first[s + 1]);
        }
    }
    return seen;
}

// The number a label starts with, in ASCII or full-width digits; none when it starts otherwise.
std::optional<std::size_t> labelNumber(std::string_view label) {
    std::optional<std::size_t> number;
    for (std::size_t i = 0; i < label.size() && number.value_or(0) < 1000;) {
        const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(label, i);
        const std::optional<unsigned> digit = digitValue(d.cp);
        if (!digit) {
            break;
        }
        number = number.value_or(0) * 10 + *digit;
        i += d.length;
    }
    return number;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The label is what the player reads, and its number should be the key that takes it.
void checkNumbers(std::span<const SelectorOption> options, std::size_t s, std::size_t element,
                  std::vector<Finding>& findings) {
    const bool numbered = std::any_of(options.begin(), options.end(), [](const auto& option) {
        return labelNumber(option.label).has_value();
    });
    std::set<std::size_t> seen;
    for (std::size_t o = 0; o < options.size(); ++o) {
        const std::string key = "key " + std::to_string(o + 1);
        const std::string which =
            "option " + std::to_string(o + 1) + " " + quoted(options[o].label);
        const std::optional<std::size_t> number = labelNumber(options[o].label);
        if (blank(options[o].label)) {
            findings.push_back({s, element,
                                "option " + std::to_string(o + 1) + " has an empty label, but " +
                                    key + " still takes it",
                                o + 1});
        } else if (numbered && !number) {
            findings.push_back({s, element,
                                which + " has no number, unlike the others; " + key + " takes it",
                                o + 1});
        } else if (number && !seen.insert(*number).second) {
            findings.push_back(
                {s, element,
                 which + " repeats number " + std::to_string(*number) + "; " + key + " takes it",
                 o + 1});
        } else if (number && *number != o + 1) {
            findings.push_back(
                {s, element,
                 which + " is numbered " + std::to_string(*number) + ", but " + key + " takes it",
                 o + 1});
        }
    }
}

void checkOptions(const Story& story, const StorySource& source, std::size_t s, std::size_t element,
                  const ScenarioSelector& selector, std::vector<Finding>& findings) {
    // Options offered only at times may be more than three as long as no more are offered at
    // once, which only the walk over every playthrough can tell.
    const std::span<const SelectorOption> options = story.options(selector);
    const bool someAtTimes =
        std::any_of(options.begin(), options.end(),
                    [](const SelectorOption& option) { return !option.offeredWhile.empty(); });
    if (options.size() > optionKeys && !someAtTimes) {
        findings.push_back(
            {s, element, std::to_string(options.size()) + " options, but " + keysTakeOnly()});
    }
    if (!selector.numbered) {
        checkNumbers(options, s, element, findings);
    }
    for (std::size_t o = 0; o < options.size(); ++o) {
        const SelectorOption& option = options[o];
        const std::string which = "option " + std::to_string(o + 1) + " " + quoted(option.label);
        if (option.branch == ListId{} || listIndex(option.branch) >= story.sequenceCount()) {
            findings.push_back({s, element, which + " leads to no section", o + 1});
        } else if (story.elements(option.branch).empty()) {
            findings.push_back({s, element,
                                which + " leads to " +
                                    sectionName(source, listIndex(option.branch)) +
                                    ", which is empty",
                                o + 1});
        }
    }
}

// A text meant as a page clear but not written exactly so is shown to the player as it stands.
void checkPageClears(std::span<const Scenario> elements, std::size_t s,
                     std::vector<Finding>& findings) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto* text = std::get_if<ScenarioText>(&elements[i]);
        if (text == nullptr || text->text == pageClear) {
            continue;
        }
        const std::size_t first = text->text.find_first_not_of(" \t\r\n");
        std::string core = first == std::string::npos
                               ? std::string{}
                               : std::string(text->text.substr(
                                     first, text->text.find_last_not_of(" \t\r\n") - first + 1));
        std::transform(core.begin(), core.end(), core.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        if (core == pageClear) {
            findings.push_back({s, i + 1,
                                quoted(text->text) + " is shown as text; only " +
                                    quoted(pageClear) + " exactly clears the page"});
        }
    }
}

// The last page of an ending is what the player is left with: it should not be empty.
void checkLastPage(std::span<const Scenario> elements, std::size_t s, const SequenceExit& exit,
                   std::vector<Finding>& findings) {
    if (!exit.ends || exit.at >= elements.size() ||
        !std::holds_alternative<ScenarioEventGameEnd>(elements[exit.at])) {
        return;
    }
    for (std::size_t i = exit.at; i-- > 0;) {
        if (const auto* text = std::get_if<ScenarioText>(&elements[i])) {
            if (text->text == pageClear) {
                break;
            }
            if (!blank(text->text)) {
                return;
            }
        }
    }
    findings.push_back(
        {s, exit.at + 1, "the game ends on a blank page: no text since the page was cleared"});
}

// Elements after the one that ends or branches are never shown.
void checkUnplayed(std::span<const Scenario> elements, const StorySource& source, std::size_t s,
                   const SequenceExit& exit, std::vector<Finding>& findings) {
    if (exit.at + 1 >= elements.size()) {
        return;
    }
    if (exit.ends && std::holds_alternative<ScenarioSelector>(elements[exit.at])) {
        findings.push_back({s, exit.at + 1,
                            "the game end right after this selector ends the game before an "
                            "option can be taken"});
    } else if (exit.ends) {
        findings.push_back(
            {s, exit.at + 2, "never shown: the game ends at " + place(source, s, exit.at + 1)});
    } else {
        findings.push_back({s, exit.at + 2,
                            "never shown: the options at " + place(source, s, exit.at + 1) +
                                " leave this section"});
    }
}

void checkEnding(std::span<const Scenario> elements, std::size_t s, const SequenceExit& exit,
                 std::vector<Finding>& findings) {
    if (exit.selector != nullptr) {
        findings.push_back({s, exit.at + 1, "no option here leads to an ending"});
    } else {
        findings.push_back({s, elements.size(), "the story runs out here without an ending"});
    }
}

// Runs between "\r" and "\n" are drawn from the panel's left edge; each must fit on its own.
// Characters the font lacks are drawn as empty boxes; each is named once per element.
void checkGlyphs(std::span<const std::string_view> texts, std::size_t s, std::size_t element,
                 const TextFit& fit, std::vector<Finding>& findings) {
    if (!fit.hasGlyph) {
        return;
    }
    std::string missing;
    std::set<char32_t> named;
    for (const std::string_view text : texts) {
        for (std::size_t i = 0; i < text.size();) {
            const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(text, i);
            if (d.cp != U'\n' && d.cp != U'\r' && !fit.hasGlyph(d.cp) &&
                named.insert(d.cp).second) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(d.cp));
                missing += (missing.empty() ? "" : ", ") + quoted(text.substr(i, d.length)) + " (" +
                           code + ")";
            }
            i += d.length;
        }
    }
    if (!missing.empty()) {
        findings.push_back({s, element,
                            "the font has no " + missing +
                                (named.size() == 1 ? ", which shows" : ", which show") +
                                " as an empty box"});
    }
}

std::string tooWide(const std::string& what, int width, const TextFit& fit) {
    if (width == unmeasuredWidth) {
        return what + " is too long to measure, far wider than the panel's " +
               std::to_string(fit.panelWidth) + " px";
    }
    return what + " is " + std::to_string(width) + " px, the panel is " +
           std::to_string(fit.panelWidth);
}

void checkChoices(const Story& story, const ScenarioSelector& selector, std::size_t s,
                  std::size_t element, const TextFit& fit, std::vector<Finding>& findings) {
    // Options numbered as they are offered, or showing values, are measured as shown, on every
    // playthrough.
    if (selector.numbered || showsValues(story, selector)) {
        return;
    }
    std::vector<std::string> labels;
    const std::span<const SelectorOption> options = story.options(selector);
    for (std::size_t o = 0; o < options.size(); ++o) {
        const std::string_view label = options[o].label;
        if (const int width = widestRun(label, fit); width > fit.panelWidth) {
            findings.push_back(
                {s, element, tooWide("option " + std::to_string(o + 1), width, fit), o + 1});
        }
        labels.emplace_back(label);
    }
    if (const int lines = choicesLines(labels); tooTall(lines, fit, fit.choicesHeight)) {
        findings.push_back({s, element,
                            "the options take " + std::to_string(lines * fit.lineSkip) +
                                " px, the choices panel is " + std::to_string(fit.choicesHeight)});
    }
}

} // namespace

bool showsValues(const Story& story, const ScenarioSelector& selector) noexcept {
    const std::span<const SelectorOption> options = story.options(selector);
    return !story.values().empty() &&
           std::any_of(options.begin(), options.end(), [](const SelectorOption& o) {
               return o.label.find('{') != std::string::npos;
           });
}

std::string keysTakeOnly() {
    static_assert(optionKeys == 3, "the words say three");
    return "keys 1 to " + std::to_string(optionKeys) + " take only the first three";
}

std::string keyNames(const std::vector<TGInput>& keys) {
    // A long way is summed up past its first runs: the count tells the writer to shorten it.
    constexpr std::size_t shownRuns = 24;
    std::string names;
    std::size_t runs = 0;
    for (std::size_t i = 0; i < keys.size(); ++runs) {
        if (runs == shownRuns) {
            return names + ", … (" + std::to_string(keys.size()) + " keys in all)";
        }
        std::size_t run = 1;
        while (i + run < keys.size() && keys[i + run] == keys[i]) {
            ++run;
        }
        const char* name = keys[i] == TGInput::TextFeed       ? "space"
                           : keys[i] == TGInput::SelectFirst  ? "1"
                           : keys[i] == TGInput::SelectSecond ? "2"
                           : keys[i] == TGInput::SelectThird  ? "3"
                                                              : "?";
        names += (names.empty() ? "" : ", ") + std::string(name) +
                 (run > 1 ? " ×" + std::to_string(run) : "");
        i += run;
    }
    return names;
}

std::string describe(const Finding& finding, const StorySource& source) {
    const std::string keys = finding.keys.empty() ? "" : "; keys: " + keyNames(finding.keys);
    if (finding.sequence == 0) {
        const std::size_t slot = finding.element - 1;
        const std::size_t line =
            finding.element != 0 && slot < source.valueLines.size() ? source.valueLines[slot] : 0;
        return (source.file.empty() ? "the story" : source.file) +
               (line != 0 ? ":" + std::to_string(line) : "") + ": " + finding.message + keys;
    }
    const std::size_t line = sourceLine(source, finding.sequence, finding.element, finding.option);
    if (!source.file.empty() && line != 0) {
        return source.file + ":" + std::to_string(line) + ": " +
               sectionName(source, finding.sequence) + ": " + finding.message + keys;
    }
    std::string where = sectionName(source, finding.sequence);
    if (finding.element != 0) {
        where += ", element " + std::to_string(finding.element);
    }
    return where + ": " + finding.message + keys;
}

SequenceExit exitOf(std::span<const Scenario> elements) noexcept {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (std::holds_alternative<ScenarioEventGameEnd>(elements[i])) {
            return {i, nullptr, true};
        }
        if (const auto* selector = std::get_if<ScenarioSelector>(&elements[i])) {
            // The interpreter looks one element ahead: a game end there ends the game as the
            // selector is reached, and no option is ever taken.
            const bool endsNext = i + 1 < elements.size() &&
                                  std::holds_alternative<ScenarioEventGameEnd>(elements[i + 1]);
            return endsNext ? SequenceExit{i, nullptr, true} : SequenceExit{i, selector, false};
        }
    }
    return {elements.size(), nullptr, false};
}

std::span<const SelectorOption> keyedOptions(const Story& story,
                                             const ScenarioSelector& selector) noexcept {
    const std::span<const SelectorOption> all = story.options(selector);
    return all.first(std::min(all.size(), optionKeys));
}

std::vector<bool> reachableSequences(const Story& story) {
    return spread(edgesOf(story, false), {story.start().list});
}

std::vector<Finding> checkShape(const Story& story, const StorySource& source) {
    const Edges back = edgesOf(story, true);
    std::deque<ListId> endings;
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        if (exitOf(story.elements(listAt(s))).ends) {
            endings.push_back(listAt(s));
        }
    }
    const std::vector<bool> played = reachableSequences(story);
    // A sequence can end the game when some choice of options leads from it to a game end.
    const std::vector<bool> ending = spread(back, endings);
    std::vector<Finding> findings;
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        const std::span<const Scenario> elements = story.elements(listAt(s));
        if (!story.isWritten(listAt(s))) {
            findings.push_back({s, 0, "declared but never written"});
            continue;
        }
        // With memory, what play reaches depends on the values: the walk over every playthrough
        // finds it (story_explore), not the shape.
        const bool memory = !story.values().empty();
        // An empty sequence has nothing to miss; an option into it is the finding.
        if (!memory && !played[s] && !elements.empty()) {
            findings.push_back({s, 0, "no option leads here from the opening"});
        }
        for (std::size_t i = 0; i < elements.size(); ++i) {
            if (const auto* selector = std::get_if<ScenarioSelector>(&elements[i])) {
                checkOptions(story, source, s, i + 1, *selector, findings);
            }
        }
        checkPageClears(elements, s, findings);
        if (memory) {
            continue;
        }
        const SequenceExit exit = exitOf(elements);
        checkUnplayed(elements, source, s, exit, findings);
        checkLastPage(elements, s, exit, findings);
        if (played[s] && !ending[s]) {
            checkEnding(elements, s, exit, findings);
        }
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.sequence < b.sequence || (a.sequence == b.sequence && a.element < b.element);
    });
    return findings;
}

std::vector<Finding> checkFit(const Story& story, const TextFit& fit) {
    std::vector<Finding> findings;
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        const std::span<const Scenario> elements = story.elements(listAt(s));
        // With memory, pages and lines that show values are measured on every playthrough.
        const bool memory = !story.values().empty();
        const std::size_t last = memory ? elements.size() : exitOf(elements).at + 1;
        // Every sequence starts on an empty page: the opening on a fresh panel, a branch on the
        // panel its option cleared.
        Page page;
        bool pageTooTall = memory;
        for (std::size_t i = 0; i < elements.size() && i < last; ++i) {
            const std::size_t element = i + 1;
            if (const auto* text = std::get_if<ScenarioText>(&elements[i])) {
                page = fed(page, text->text);
                if (clearsPage(text->text)) {
                    pageTooTall = memory;
                    continue;
                }
                const bool showsValues = memory && text->text.find('{') != std::string::npos;
                if (const int width = showsValues ? 0 : widestRun(text->text, fit);
                    width > fit.panelWidth) {
                    findings.push_back({s, element, tooWide("line", width, fit)});
                }
                const std::string_view shown[] = {text->text};
                checkGlyphs(shown, s, element, fit, findings);
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&elements[i])) {
                page = fed(page, ""); // reaching a selector writes an empty line
                checkChoices(story, *selector, s, element, fit, findings);
                std::vector<std::string_view> labels;
                for (const SelectorOption& option : story.options(*selector)) {
                    labels.emplace_back(option.label);
                }
                checkGlyphs(labels, s, element, fit, findings);
            } else if (std::holds_alternative<ScenarioEventNone>(elements[i])) {
                page = fed(page, "");
            } // the game end is never written: the game is over once the text before it is shown
            if (!pageTooTall && tooTall(page.lines, fit, fit.storyHeight)) {
                pageTooTall = true;
                findings.push_back({s, element,
                                    "page is " + std::to_string(page.lines * fit.lineSkip) +
                                        " px, the panel is " + std::to_string(fit.storyHeight)});
            }
        }
    }
    return findings;
}

} // namespace Engine
