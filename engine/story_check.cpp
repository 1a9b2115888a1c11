#include "engine/story_check.hpp"

#include <algorithm>
#include <deque>

namespace {

constexpr std::size_t keyCount = 3;
constexpr std::string_view pageClear = "*cls*";

std::size_t numberOf(ListId id) noexcept {
    return static_cast<std::size_t>(id);
}

ListId idOf(std::size_t number) noexcept {
    return static_cast<ListId>(number);
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The branches a player can reach from a sequence: taken by a key, and not empty.
std::vector<ListId> successors(const Story& story, ListId id) {
    std::vector<ListId> next;
    if (const ScenarioSelector* selector = exitOf(story.elements(id)).selector) {
        for (const SelectorOption& option : keyedOptions(*selector)) {
            if (!story.elements(option.branch).empty()) {
                next.push_back(option.branch);
            }
        }
    }
    return next;
}

using Edges = std::vector<std::vector<ListId>>;

// Every sequence the edges lead to from the given ones, those included.
std::vector<bool> spread(const Edges& edges, std::deque<ListId> queue) {
    std::vector<bool> seen(edges.size(), false);
    while (!queue.empty()) {
        const std::size_t s = numberOf(queue.front());
        queue.pop_front();
        if (s < seen.size() && !seen[s]) {
            seen[s] = true;
            queue.insert(queue.end(), edges[s].begin(), edges[s].end());
        }
    }
    return seen;
}

void checkOptions(const Story& story, std::size_t s, std::size_t element,
                  const ScenarioSelector& selector, std::vector<Finding>& findings) {
    if (selector.options.size() > keyCount) {
        findings.push_back({s, element,
                            std::to_string(selector.options.size()) +
                                " options, but keys 1 to 3 take only the first three"});
    }
    for (std::size_t o = 0; o < selector.options.size(); ++o) {
        const SelectorOption& option = selector.options[o];
        const std::string which = "option " + std::to_string(o + 1) + " " + quoted(option.label);
        if (option.branch == ListId{} || numberOf(option.branch) >= story.sequenceCount()) {
            findings.push_back({s, element, which + " leads to no sequence"});
        } else if (story.elements(option.branch).empty()) {
            findings.push_back({s, element,
                                which + " leads to sequence " +
                                    std::to_string(numberOf(option.branch)) + ", which is empty"});
        }
    }
}

// Elements after the one that ends or branches are never shown.
void checkUnplayed(std::span<const Scenario> elements, std::size_t s, const SequenceExit& exit,
                   std::vector<Finding>& findings) {
    if (exit.at + 1 >= elements.size()) {
        return;
    }
    if (exit.ends && std::holds_alternative<ScenarioSelector>(elements[exit.at])) {
        findings.push_back({s, exit.at + 1,
                            "the game end right after this selector ends the game before an "
                            "option can be taken"});
    } else if (exit.ends) {
        findings.push_back(
            {s, exit.at + 2,
             "never shown: the game ends at element " + std::to_string(exit.at + 1)});
    } else {
        findings.push_back({s, exit.at + 2,
                            "never shown: the selector at element " + std::to_string(exit.at + 1) +
                                " leaves this sequence"});
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
int widestRun(std::string_view text, const TextFit& fit) {
    int widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        widest = std::max(widest, fit.width(text.substr(start, end - start)));
        start = end + 1;
    }
    return widest;
}

int lineCount(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

std::string tooWide(const std::string& what, int width, const TextFit& fit) {
    return what + " is " + std::to_string(width) + " px, the panel is " +
           std::to_string(fit.panelWidth);
}

void checkChoices(const ScenarioSelector& selector, std::size_t s, std::size_t element,
                  const TextFit& fit, std::vector<Finding>& findings) {
    int lines = 0;
    for (std::size_t o = 0; o < selector.options.size(); ++o) {
        const std::string& label = selector.options[o].label;
        if (const int width = widestRun(label, fit); width > fit.panelWidth) {
            findings.push_back(
                {s, element, tooWide("option " + std::to_string(o + 1), width, fit)});
        }
        lines += lineCount(label);
    }
    if (lines * fit.lineSkip > fit.choicesHeight) {
        findings.push_back({s, element,
                            "the options take " + std::to_string(lines * fit.lineSkip) +
                                " px, the choices panel is " + std::to_string(fit.choicesHeight)});
    }
}

} // namespace

std::string describe(const Finding& finding) {
    std::string where = "sequence " + std::to_string(finding.sequence);
    if (finding.element != 0) {
        where += ", element " + std::to_string(finding.element);
    }
    return where + ": " + finding.message;
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

std::span<const SelectorOption> keyedOptions(const ScenarioSelector& selector) noexcept {
    const std::span<const SelectorOption> all(selector.options);
    return all.first(std::min(all.size(), keyCount));
}

std::vector<Finding> checkShape(const Story& story) {
    Edges next(story.sequenceCount());
    Edges back(story.sequenceCount());
    std::deque<ListId> endings;
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        next[s] = successors(story, idOf(s));
        for (const ListId n : next[s]) {
            back[numberOf(n)].push_back(idOf(s));
        }
        if (exitOf(story.elements(idOf(s))).ends) {
            endings.push_back(idOf(s));
        }
    }
    const std::vector<bool> played = spread(next, {story.start().list});
    // A sequence can end the game when some choice of options leads from it to a game end.
    const std::vector<bool> ending = spread(back, endings);
    std::vector<Finding> findings;
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        const std::span<const Scenario> elements = story.elements(idOf(s));
        // An empty sequence has nothing to miss; an option into it is the finding.
        if (!played[s] && !elements.empty()) {
            findings.push_back({s, 0, "no option leads here from the opening"});
        }
        for (std::size_t i = 0; i < elements.size(); ++i) {
            if (const auto* selector = std::get_if<ScenarioSelector>(&elements[i])) {
                checkOptions(story, s, i + 1, *selector, findings);
            }
        }
        const SequenceExit exit = exitOf(elements);
        checkUnplayed(elements, s, exit, findings);
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
        const std::span<const Scenario> elements = story.elements(idOf(s));
        const SequenceExit exit = exitOf(elements);
        // Every sequence starts on an empty page: the opening on a fresh panel, a branch on the
        // panel its option cleared.
        int lines = 0;
        bool pageTooTall = false;
        for (std::size_t i = 0; i < elements.size() && i <= exit.at; ++i) {
            const std::size_t element = i + 1;
            if (const auto* text = std::get_if<ScenarioText>(&elements[i])) {
                if (text->text == pageClear) {
                    lines = 0;
                    pageTooTall = false;
                    continue;
                }
                if (const int width = widestRun(text->text, fit); width > fit.panelWidth) {
                    findings.push_back({s, element, tooWide("line", width, fit)});
                }
                lines += lineCount(text->text);
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&elements[i])) {
                ++lines; // reaching a selector writes an empty line
                checkChoices(*selector, s, element, fit, findings);
            } else if (std::holds_alternative<ScenarioEventNone>(elements[i])) {
                ++lines;
            } // the game end is never written: the game is over once the text before it is shown
            if (!pageTooTall && lines * fit.lineSkip > fit.storyHeight) {
                pageTooTall = true;
                findings.push_back({s, element,
                                    "page is " + std::to_string(lines * fit.lineSkip) +
                                        " px, the panel is " + std::to_string(fit.storyHeight)});
            }
        }
    }
    return findings;
}
