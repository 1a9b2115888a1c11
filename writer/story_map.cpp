#include "writer/story_map.hpp"

#include "engine/story_text.hpp"
#include "framework/utf8.hpp"
#include "writer/story_check.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

namespace {

// Roughly what fits a box: a wide (CJK) character counts two.
constexpr std::size_t columnsPerLine = 34;
constexpr std::size_t linesPerBox = 2;

std::string node(ListId id) {
    return "s" + std::to_string(listIndex(id));
}

// Cut at a character boundary once the columns are used up, with an ellipsis.
std::string shortened(std::string_view line) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < line.size();) {
        const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(line, i);
        columns += d.cp < 0x80 ? 1 : 2;
        if (columns > columnsPerLine) {
            return std::string(line.substr(0, i)) + "…";
        }
        i += d.length;
    }
    return std::string(line);
}

// A DOT string: quotes and backslashes escaped, lines joined by DOT's centred line break.
std::string dotString(const std::vector<std::string>& lines) {
    std::string out = "\"";
    for (std::size_t l = 0; l < lines.size(); ++l) {
        if (l != 0) {
            out += "\\n";
        }
        for (const char c : lines[l]) {
            if (c == '"' || c == '\\') {
                out += '\\';
            }
            out += c;
        }
    }
    return out + "\"";
}

// A carriage return starts over on the same line; the map shows it as a space.
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (const std::string_view piece : Framework::Utf8::lineBreakPieces(text)) {
        if (piece == "\n") {
            lines.emplace_back();
        } else {
            lines.back() += piece == "\r" ? " " : piece;
        }
    }
    return lines;
}

Compare opposite(Compare compare) {
    switch (compare) {
    case Compare::Equal:
        return Compare::NotEqual;
    case Compare::NotEqual:
        return Compare::Equal;
    case Compare::Less:
        return Compare::AtLeast;
    case Compare::AtLeast:
        return Compare::Less;
    case Compare::AtMost:
        return Compare::More;
    case Compare::More:
        return Compare::AtMost;
    }
    return compare;
}

std::string testText(const ValueTest& test, const StoryValue& value, bool negated) {
    const Compare compare = negated ? opposite(test.compare) : test.compare;
    if (value.kind == ValueKind::Flag &&
        (compare == Compare::Equal || compare == Compare::NotEqual)) {
        const bool on = (compare == Compare::Equal) == (test.number != 0);
        return on ? value.name : "not " + value.name;
    }
    const auto symbol =
        std::find_if(compareSymbols.begin(), compareSymbols.end(),
                     [compare](const auto& entry) { return entry.second == compare; });
    return value.name + " " + std::string(symbol->first) + " " + std::to_string(test.number);
}

bool once(const Story& story, const ValueTest& test) {
    return test.slot < story.values().size() && story.values()[test.slot].kind == ValueKind::Taken;
}

// As the writer wrote it: "coins >= 2 and not paid". The mark of an option offered once is left
// out: the map says "(once)".
std::string conditionText(const Story& story, const Condition& condition) {
    std::vector<const ValueTest*> tests;
    for (const ValueTest& test : condition.tests) {
        if (test.slot < story.values().size() && !once(story, test)) {
            tests.push_back(&test);
        }
    }
    if (condition.negated && tests.size() == 1) {
        return testText(*tests.front(), story.values()[tests.front()->slot], true);
    }
    std::string text;
    for (const ValueTest* test : tests) {
        text += (text.empty() ? "" : " and ") + testText(*test, story.values()[test->slot], false);
    }
    return condition.negated && !text.empty() ? "not (" + text + ")" : text;
}

std::string joined(const Story& story, std::span<const Condition> conditions) {
    std::string text;
    for (const Condition& condition : conditions) {
        const std::string one = conditionText(story, condition);
        text += text.empty() || one.empty() ? one : " and " + one;
    }
    return text;
}

// The section's name (its number for a story from C++), then the first lines of its text, each
// shown only at times after the condition it is shown under, which is never cut.
std::vector<std::string> boxLines(const Story& story, const StorySource& source, ListId id,
                                  std::span<const Scenario> elements) {
    const std::size_t s = listIndex(id);
    const std::string_view name = source.sections[s].name;
    std::vector<std::string> lines{name.empty() ? "section " + std::to_string(s)
                                                : std::string(name)};
    struct Shown {
        std::size_t end; // the element its jump lands on
        Condition when;
    };
    std::vector<Shown> open;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        while (!open.empty() && open.back().end <= i) {
            open.pop_back();
        }
        if (std::holds_alternative<ScenarioChange>(elements[i])) {
            continue;
        }
        if (const auto* jump = std::get_if<ScenarioJump>(&elements[i])) {
            const std::size_t end = i + 1 + jump->forward;
            if (!jump->when.tests.empty()) {
                Condition when = jump->when; // the lines are skipped when it holds
                when.negated = !when.negated;
                open.push_back({end, std::move(when)});
            } else if (!open.empty() && open.back().end == i + 1) {
                // An [otherwise]: what follows shows when the [if] before it does not.
                open.back().end = end;
                open.back().when.negated = !open.back().when.negated;
            }
            continue;
        }
        const auto* text = std::get_if<ScenarioText>(&elements[i]);
        if (text == nullptr) {
            break;
        }
        if (text->text == pageClear) {
            continue;
        }
        std::vector<Condition> under;
        for (const Shown& shown : open) {
            under.push_back(shown.when);
        }
        const std::string when = joined(story, under);
        for (const std::string& line : splitLines(text->text)) {
            if (lines.size() > linesPerBox) {
                return lines;
            }
            lines.push_back((when.empty() ? "" : "[if " + when + "] ") + shortened(line));
        }
    }
    return lines;
}

// The caption of an ending: the last text before the game end.
std::string endingCaption(std::span<const Scenario> elements, std::size_t end) {
    for (std::size_t i = end; i-- > 0;) {
        if (const auto* text = std::get_if<ScenarioText>(&elements[i]);
            text != nullptr && text->text != pageClear) {
            return shortened(splitLines(text->text).back());
        }
    }
    return "end";
}

void writeOptions(const Story& story, ListId id, const ScenarioSelector& selector,
                  std::ostream& out) {
    const std::size_t keyed = keyedOptions(story, selector).size();
    const std::span<const SelectorOption> options = story.options(selector);
    for (std::size_t o = 0; o < options.size(); ++o) {
        const SelectorOption& option = options[o];
        std::string style = o < keyed ? "" : ", style=dotted, fontcolor=gray40";
        std::string target = node(option.branch);
        if (story.elements(option.branch).empty()) {
            target = node(id) + "_nothing" + std::to_string(o + 1);
            out << "  " << target
                << " [label=\"(nothing)\", shape=plaintext, style=\"\", fontcolor=red];\n";
            style += ", color=red";
        }
        std::vector<std::string> label = splitLines(option.label);
        if (const std::string when = joined(story, option.offeredWhile); !when.empty()) {
            label.push_back("[if " + when + "]");
        }
        if (std::any_of(option.offeredWhile.begin(), option.offeredWhile.end(),
                        [&story](const Condition& c) {
                            return std::any_of(
                                c.tests.begin(), c.tests.end(),
                                [&story](const ValueTest& test) { return once(story, test); });
                        })) {
            label.emplace_back("(once)");
        }
        out << "  " << node(id) << " -> " << target << " [label=" << dotString(label) << style
            << "];\n";
    }
}

} // namespace

void writeStoryMap(const Story& story, std::ostream& out, const StorySource& source) {
    out << "digraph story {\n"
           "  graph [pad=0.2];\n"
           "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#e8ecff\", fontsize=11];\n"
           "  edge [fontsize=11];\n"
           "  start [label=\"\", shape=circle, style=filled, fillcolor=black, width=0.2];\n"
           "  start -> "
        << node(story.start().list) << ";\n";
    const std::vector<bool> reached = reachableSequences(story);
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        const ListId id = listAt(s);
        const std::span<const Scenario> elements = story.elements(id);
        const bool unreached = !reached[s] && !elements.empty();
        out << "  " << node(id) << " [label=" << dotString(boxLines(story, source, id, elements))
            << (unreached ? ", style=\"rounded,dashed\", fontcolor=gray40" : "") << "];\n";
        const SequenceExit exit = exitOf(elements);
        if (exit.ends) {
            out << "  " << node(id)
                << "_end [label=" << dotString({endingCaption(elements, exit.at)})
                << ", shape=doubleoctagon, fillcolor=\"#ffe4c4\"];\n"
                << "  " << node(id) << " -> " << node(id) << "_end;\n";
        } else if (exit.selector != nullptr) {
            writeOptions(story, id, *exit.selector, out);
        } else {
            out << "  " << node(id) << "_out [label=\"(runs out)\", shape=plaintext, "
                << "style=\"\", fontcolor=red];\n"
                << "  " << node(id) << " -> " << node(id) << "_out [color=red];\n";
        }
    }
    out << "}\n";
}

} // namespace Engine
