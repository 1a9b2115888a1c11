#include "engine/scenario.hpp"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Engine {

namespace {

const SelectorOption& optionAt(std::span<const SelectorOption> options, std::size_t i) noexcept {
    return i < options.size() ? options[i] : emptyOption();
}

bool knownTests(const Condition& condition, std::size_t slots) noexcept {
    return std::all_of(condition.tests.begin(), condition.tests.end(),
                       [slots](const ValueTest& test) { return test.slot < slots; });
}

bool refersToKnownSlots(const Scenario& element, std::span<const SelectorOption> all,
                        std::size_t slots) noexcept {
    if (const auto* change = std::get_if<ScenarioChange>(&element)) {
        return change->change.slot < slots;
    }
    if (const auto* jump = std::get_if<ScenarioJump>(&element)) {
        return knownTests(jump->when, slots);
    }
    if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
        for (const SelectorOption& option :
             all.subspan(selector->firstOption, selector->optionCount)) {
            for (const Condition& condition : option.offeredWhile) {
                if (!knownTests(condition, slots)) {
                    return false;
                }
            }
            for (const ValueChange& change : option.whenTaken) {
                if (change.slot >= slots) {
                    return false;
                }
            }
        }
    }
    return true;
}

bool sameNumbering(const OptionNumbering* a, const OptionNumbering* b) noexcept {
    return a == nullptr || b == nullptr ? a == b : *a == *b;
}

} // namespace

std::span<const Scenario> Story::elements(ListId id) const noexcept {
    if (listIndex(id) >= lists_.size()) {
        return {};
    }
    const Range r = lists_[listIndex(id)];
    return std::span<const Scenario>(elements_).subspan(r.first, r.count);
}

std::span<const SelectorOption> Story::options(const ScenarioSelector& selector) const noexcept {
    if (!selector.inPlace.empty()) {
        return selector.inPlace;
    }
    if (selector.firstOption > options_.size() ||
        selector.optionCount > options_.size() - selector.firstOption) {
        return {};
    }
    return std::span<const SelectorOption>(options_).subspan(selector.firstOption,
                                                             selector.optionCount);
}

ListId StoryBuilder::declare() {
    lists_.emplace_back();
    written_.push_back(false);
    return listAt(lists_.size() - 1);
}

void StoryBuilder::place(std::size_t list, std::size_t first, std::size_t count) {
    if (list == 0 || list >= lists_.size()) {
        throw std::logic_error("StoryBuilder::define: the list was not declared by this builder");
    }
    if (written_[list]) {
        throw std::logic_error("StoryBuilder::define: the list is already written");
    }
    if (first + count > UINT32_MAX) {
        throw std::logic_error("StoryBuilder::define: more elements than a story can hold");
    }
    lists_[list] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count)};
    written_[list] = true;
}

void StoryBuilder::gatherOptions(std::size_t from) {
    for (std::size_t e = from; e < elements_.size(); ++e) {
        auto* selector = std::get_if<ScenarioSelector>(&elements_[e]);
        if (selector == nullptr || selector->inPlace.empty()) {
            continue;
        }
        if (options_.size() + selector->inPlace.size() > maxStoryOptions) {
            throw std::logic_error("StoryBuilder::define: more options than a story can hold");
        }
        selector->firstOption = static_cast<std::uint32_t>(options_.size());
        selector->optionCount = static_cast<std::uint32_t>(selector->inPlace.size());
        options_.insert(options_.end(), std::make_move_iterator(selector->inPlace.begin()),
                        std::make_move_iterator(selector->inPlace.end()));
        selector->inPlace = {};
    }
}

void StoryBuilder::define(ListId id, std::vector<Scenario> elements) {
    place(listIndex(id), elements_.size(), elements.size());
    const std::size_t base = elements_.size();
    elements_.insert(elements_.end(), std::make_move_iterator(elements.begin()),
                     std::make_move_iterator(elements.end()));
    gatherOptions(base);
}

void StoryBuilder::define(ListId first, std::vector<Scenario> elements,
                          std::span<const std::uint32_t> starts,
                          std::vector<SelectorOption> options) {
    const std::size_t base = elements_.size();
    const std::size_t optionBase = options_.size();
    if (optionBase + options.size() > maxStoryOptions) {
        throw std::logic_error("StoryBuilder::define: more options than a story can hold");
    }
    for (const Scenario& element : elements) {
        const auto* selector = std::get_if<ScenarioSelector>(&element);
        if (selector != nullptr && selector->inPlace.empty() &&
            (selector->firstOption > options.size() ||
             selector->optionCount > options.size() - selector->firstOption)) {
            throw std::logic_error("StoryBuilder::define: a selector's options lie outside "
                                   "the options given");
        }
    }
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : elements.size();
        if (starts[i] > end || end > elements.size()) {
            throw std::logic_error("StoryBuilder::define: the lists' starts are out of order");
        }
        place(listIndex(first) + i, base + starts[i], end - starts[i]);
    }
    if (base == 0) {
        elements_ = std::move(elements);
    } else {
        elements_.insert(elements_.end(), std::make_move_iterator(elements.begin()),
                         std::make_move_iterator(elements.end()));
    }
    if (optionBase != 0) {
        for (std::size_t e = base; e < elements_.size(); ++e) {
            if (auto* selector = std::get_if<ScenarioSelector>(&elements_[e])) {
                selector->firstOption += static_cast<std::uint32_t>(optionBase);
            }
        }
    }
    if (optionBase == 0) {
        options_ = std::move(options);
    } else {
        options_.insert(options_.end(), std::make_move_iterator(options.begin()),
                        std::make_move_iterator(options.end()));
    }
    gatherOptions(base);
}

ListId StoryBuilder::add(std::vector<Scenario> elements) {
    const ListId id = declare();
    define(id, std::move(elements));
    return id;
}

std::uint16_t StoryBuilder::remember(StoryValue value) {
    if (values_.size() >= maxStoryValues) {
        throw std::logic_error("StoryBuilder::remember: a story keeps at most " +
                               std::to_string(maxStoryValues) + " values");
    }
    if (value.least > value.most || value.start < value.least || value.start > value.most) {
        throw std::logic_error("StoryBuilder::remember: \"" + value.name +
                               "\" starts outside its range");
    }
    values_.push_back(std::move(value));
    return static_cast<std::uint16_t>(values_.size() - 1);
}

void StoryBuilder::numberOptions(OptionNumbering numbering) {
    numbering_ = std::make_unique<const OptionNumbering>(std::move(numbering));
}

Story StoryBuilder::build(ListId opening) && {
    if (!written_[0]) {
        throw std::logic_error("StoryBuilder::build: this builder has already built its story");
    }
    if (listIndex(opening) >= lists_.size()) {
        throw std::logic_error("StoryBuilder::build: the opening list is not from this builder");
    }
    for (const Scenario& element : elements_) {
        const auto* selector = std::get_if<ScenarioSelector>(&element);
        if (selector != nullptr &&
            (selector->firstOption > options_.size() ||
             selector->optionCount > options_.size() - selector->firstOption)) {
            throw std::logic_error("StoryBuilder::build: a selector's options are not from "
                                   "this builder");
        }
        if (!refersToKnownSlots(element, options_, values_.size())) {
            throw std::logic_error("StoryBuilder::build: an element names a value the story "
                                   "does not remember");
        }
        if (selector == nullptr) {
            continue;
        }
        for (const SelectorOption& option : std::span<const SelectorOption>(options_).subspan(
                 selector->firstOption, selector->optionCount)) {
            if (listIndex(option.branch) >= lists_.size()) {
                throw std::logic_error("StoryBuilder::build: option \"" + option.label +
                                       "\" leads to a list that is not from this builder");
            }
        }
    }
    // Spent: a second build would otherwise hand out an empty arena that looks valid.
    std::vector<bool> written = std::exchange(written_, std::vector<bool>(1, false));
    return Story(std::exchange(elements_, {}), std::exchange(options_, {}),
                 std::exchange(lists_, std::vector<Story::Range>(1)), std::move(written), opening,
                 std::exchange(values_, {}), std::move(numbering_));
}

StoryValues Story::startValues() const noexcept {
    StoryValues start{};
    for (std::size_t slot = 0; slot < values_.size(); ++slot) {
        start[slot] = values_[slot].start;
    }
    return start;
}

bool Story::isWritten(ListId id) const noexcept {
    return listIndex(id) < written_.size() && written_[listIndex(id)];
}

bool operator==(const Story& a, const Story& b) {
    if (a.lists_.size() != b.lists_.size() || a.values_ != b.values_) {
        return false;
    }
    // Pairs sequences as play meets them, from the openings and then the rest in order; the pairing
    // must stay one to one and paired sequences must match element by element.
    std::vector<std::size_t> toB(a.lists_.size(), SIZE_MAX);
    std::vector<std::size_t> toA(b.lists_.size(), SIZE_MAX);
    std::vector<std::pair<std::size_t, std::size_t>> pending;
    const auto pair = [&](ListId x, ListId y) {
        const std::size_t i = listIndex(x);
        const std::size_t j = listIndex(y);
        if (i >= toB.size() || j >= toA.size()) {
            return i >= toB.size() && j >= toA.size();
        }
        if (toB[i] == SIZE_MAX && toA[j] == SIZE_MAX) {
            toB[i] = j;
            toA[j] = i;
            pending.emplace_back(i, j);
            return true;
        }
        return toB[i] == j;
    };
    bool same = pair(ListId{}, ListId{}) && pair(a.opening_, b.opening_);
    for (std::size_t next = 0, rest = 1; same && next <= pending.size(); ++next) {
        if (next == pending.size()) {
            while (rest < toB.size() && toB[rest] != SIZE_MAX) {
                ++rest;
            }
            std::size_t other = 1;
            while (other < toA.size() && toA[other] != SIZE_MAX) {
                ++other;
            }
            if (rest >= toB.size() || !pair(listAt(rest), listAt(other))) {
                break;
            }
        }
        const auto [i, j] = pending[next];
        const std::span<const Scenario> x = a.elements(listAt(i));
        const std::span<const Scenario> y = b.elements(listAt(j));
        same = x.size() == y.size() && a.isWritten(listAt(i)) == b.isWritten(listAt(j));
        for (std::size_t e = 0; same && e < x.size(); ++e) {
            const auto* sx = std::get_if<ScenarioSelector>(&x[e]);
            const auto* sy = std::get_if<ScenarioSelector>(&y[e]);
            if (sx == nullptr || sy == nullptr) {
                same = x[e] == y[e];
                continue;
            }
            const std::span<const SelectorOption> ox = a.options(*sx);
            const std::span<const SelectorOption> oy = b.options(*sy);
            same = ox.size() == oy.size() && sameNumbering(a.numbering(*sx), b.numbering(*sy));
            for (std::size_t o = 0; same && o < ox.size(); ++o) {
                same = ox[o].label == oy[o].label && ox[o].offeredWhile == oy[o].offeredWhile &&
                       ox[o].whenTaken == oy[o].whenTaken && pair(ox[o].branch, oy[o].branch);
            }
        }
    }
    return same;
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

std::span<const SelectorOption> headOptions(ScenarioList list) noexcept {
    const auto* selector = std::get_if<ScenarioSelector>(&nextElement(list).head);
    return selector != nullptr ? list.story->options(*selector) : std::span<const SelectorOption>{};
}

std::vector<std::string_view> optionLabels(ScenarioList list) {
    std::vector<std::string_view> labels;
    for (const SelectorOption& option : headOptions(list)) {
        labels.emplace_back(option.label);
    }
    return labels;
}

std::string_view feedText(ScenarioList list) noexcept {
    if (const auto* text = std::get_if<ScenarioText>(&nextElement(list).head)) {
        return text->text;
    }
    return {};
}

} // namespace Engine
