#include "engine/scenario.hpp"

#include <stdexcept>

namespace {

std::size_t indexOf(ListId id) noexcept {
    return static_cast<std::size_t>(id);
}

const SelectorOption& optionAt(std::span<const SelectorOption> options, std::size_t i) noexcept {
    return i < options.size() ? options[i] : emptyOption();
}

} // namespace

std::span<const Scenario> Story::elements(ListId id) const noexcept {
    if (indexOf(id) >= lists_.size()) {
        return {};
    }
    return lists_[indexOf(id)];
}

ListId StoryBuilder::declare() {
    lists_.emplace_back();
    written_.push_back(false);
    return static_cast<ListId>(lists_.size() - 1);
}

void StoryBuilder::define(ListId id, std::vector<Scenario> elements) {
    const std::size_t i = indexOf(id);
    if (i == 0 || i >= lists_.size()) {
        throw std::logic_error("StoryBuilder::define: the list was not declared by this builder");
    }
    if (written_[i]) {
        throw std::logic_error("StoryBuilder::define: the list is already written");
    }
    lists_[i] = std::move(elements);
    written_[i] = true;
}

ListId StoryBuilder::add(std::vector<Scenario> elements) {
    const ListId id = declare();
    define(id, std::move(elements));
    return id;
}

Story StoryBuilder::build(ListId opening) && {
    if (!written_[0]) {
        throw std::logic_error("StoryBuilder::build: this builder has already built its story");
    }
    if (indexOf(opening) >= lists_.size()) {
        throw std::logic_error("StoryBuilder::build: the opening list is not from this builder");
    }
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        if (!written_[i]) {
            throw std::logic_error("StoryBuilder::build: list " + std::to_string(i) +
                                   " was declared but never written");
        }
        for (const Scenario& element : lists_[i]) {
            const auto* selector = std::get_if<ScenarioSelector>(&element);
            if (selector == nullptr) {
                continue;
            }
            for (const SelectorOption& option : selector->options) {
                if (indexOf(option.branch) >= lists_.size()) {
                    throw std::logic_error("StoryBuilder::build: option \"" + option.label +
                                           "\" leads to a list that is not from this builder");
                }
            }
        }
    }
    // Spent: a second build would otherwise hand out an empty arena that looks valid.
    written_.assign(1, false);
    return Story(std::exchange(lists_, std::vector<std::vector<Scenario>>(1)), opening);
}

bool isEmpty(ScenarioList list) noexcept {
    return remainingElements(list).empty();
}

std::span<const Scenario> remainingElements(ScenarioList list) noexcept {
    if (list.story == nullptr) {
        return {};
    }
    const std::span<const Scenario> all = list.story->elements(list.list);
    return list.offset < all.size() ? all.subspan(list.offset) : std::span<const Scenario>{};
}

NextElement nextElement(ScenarioList list) noexcept {
    static const Scenario none{ScenarioEventNone{}};
    const std::span<const Scenario> rest = remainingElements(list);
    if (rest.empty()) {
        return {none, list};
    }
    return {rest.front(), ScenarioList{list.story, list.list, list.offset + 1}};
}

const SelectorOption& firstOption(std::span<const SelectorOption> options) noexcept {
    return optionAt(options, 0);
}

const SelectorOption& secondOption(std::span<const SelectorOption> options) noexcept {
    return optionAt(options, 1);
}

const SelectorOption& thirdOption(std::span<const SelectorOption> options) noexcept {
    return optionAt(options, 2);
}

const SelectorOption& emptyOption() noexcept {
    static const SelectorOption empty{};
    return empty;
}

std::vector<std::string_view> optionLabels(ScenarioList list) {
    std::vector<std::string_view> labels;
    if (const auto* selector = std::get_if<ScenarioSelector>(&nextElement(list).head)) {
        labels.reserve(selector->options.size());
        for (const SelectorOption& option : selector->options) {
            labels.emplace_back(option.label);
        }
    }
    return labels;
}

std::string_view feedText(ScenarioList list) noexcept {
    if (const auto* text = std::get_if<ScenarioText>(&nextElement(list).head)) {
        return text->text;
    }
    return {};
}
