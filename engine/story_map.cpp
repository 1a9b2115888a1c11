#include "engine/story_map.hpp"

#include "engine/story_check.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Roughly what fits a box: a wide (CJK) character counts two.
constexpr std::size_t columnsPerLine = 34;
constexpr std::size_t linesPerBox = 2;

std::size_t numberOf(ListId id) noexcept {
    return static_cast<std::size_t>(id);
}

std::string node(ListId id) {
    return "s" + std::to_string(numberOf(id));
}

// Cut at a character boundary once the columns are used up, with an ellipsis.
std::string shortened(std::string_view line) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        columns += lead < 0x80 ? 1 : 2;
        if (columns > columnsPerLine) {
            return std::string(line.substr(0, i)) + "…";
        }
        i += length;
    }
    return std::string(line);
}

// A DOT string: quotes and backslashes escaped, lines joined by DOT's centred line break.
std::string quoted(const std::vector<std::string>& lines) {
    std::string out = "\"";
    for (std::size_t l = 0; l < lines.size(); ++l) {
        if (l != 0) {
            out += "\\n";
        }
        for (const char c : lines[l]) {
            if (c == '"' || c == '\\') {
                out += '\\';
            }
            out += c == '\r' ? ' ' : c;
        }
    }
    return out + "\"";
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        lines.emplace_back(text.substr(start, end - start));
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

// The sequence's number, then the first lines of its text.
std::vector<std::string> boxLines(ListId id, std::span<const Scenario> elements) {
    std::vector<std::string> lines{"sequence " + std::to_string(numberOf(id))};
    for (const Scenario& element : elements) {
        const auto* text = std::get_if<ScenarioText>(&element);
        if (text == nullptr) {
            break;
        }
        if (text->text == "*cls*") {
            continue;
        }
        for (const std::string& line : splitLines(text->text)) {
            if (lines.size() > linesPerBox) {
                return lines;
            }
            lines.push_back(shortened(line));
        }
    }
    return lines;
}

// The caption of an ending: the last text before the game end.
std::string endingCaption(std::span<const Scenario> elements, std::size_t end) {
    for (std::size_t i = end; i-- > 0;) {
        if (const auto* text = std::get_if<ScenarioText>(&elements[i]);
            text != nullptr && text->text != "*cls*") {
            return shortened(splitLines(text->text).back());
        }
    }
    return "end";
}

void writeOptions(const Story& story, ListId id, const ScenarioSelector& selector,
                  std::ostream& out) {
    const std::size_t keyed = keyedOptions(selector).size();
    for (std::size_t o = 0; o < selector.options.size(); ++o) {
        const SelectorOption& option = selector.options[o];
        std::string style = o < keyed ? "" : ", style=dotted, fontcolor=gray40";
        std::string target = node(option.branch);
        if (story.elements(option.branch).empty()) {
            target = node(id) + "_nothing" + std::to_string(o + 1);
            out << "  " << target
                << " [label=\"(nothing)\", shape=plaintext, style=\"\", fontcolor=red];\n";
            style += ", color=red";
        }
        out << "  " << node(id) << " -> " << target
            << " [label=" << quoted(splitLines(option.label)) << style << "];\n";
    }
}

} // namespace

void writeStoryMap(const Story& story, std::ostream& out) {
    out << "digraph story {\n"
           "  graph [pad=0.2];\n"
           "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#e8ecff\", fontsize=11];\n"
           "  edge [fontsize=11];\n"
           "  start [label=\"\", shape=circle, style=filled, fillcolor=black, width=0.2];\n"
           "  start -> "
        << node(story.start().list) << ";\n";
    const std::vector<Finding> shape = checkShape(story);
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        const auto id = static_cast<ListId>(s);
        const std::span<const Scenario> elements = story.elements(id);
        const bool unreached = std::any_of(shape.begin(), shape.end(), [&](const Finding& f) {
            return f.sequence == s && f.element == 0;
        });
        out << "  " << node(id) << " [label=" << quoted(boxLines(id, elements))
            << (unreached ? ", style=\"rounded,dashed\", fontcolor=gray40" : "") << "];\n";
        const SequenceExit exit = exitOf(elements);
        if (exit.ends) {
            out << "  " << node(id) << "_end [label=" << quoted({endingCaption(elements, exit.at)})
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
