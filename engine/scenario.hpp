// The story model: elements, options, and a story that owns every sequence in one arena.
// Options name their branch by ListId, so shared branches and loops back to a selector are just
// indices: no copies, no pointer cycles.
#pragma once

#include "engine/story_string.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace Engine {

// Index of a sequence in its story's arena. ListId{} is the empty sequence in every story.
enum class ListId : std::uint32_t {};

// The one place a ListId turns into an arena index and back.
[[nodiscard]] constexpr std::size_t listIndex(ListId id) noexcept {
    return static_cast<std::size_t>(id);
}
[[nodiscard]] constexpr ListId listAt(std::size_t index) noexcept {
    return static_cast<ListId>(index);
}

// A growable array held as one pointer, its length kept with the elements; an empty one allocates
// nothing. A story of millions of selectors holds an option list in each, and most hold one option
// and no conditions: three words of std::vector apiece would be most of what the story takes.
template <class T>
class SmallArray {
    static_assert(alignof(T) <= alignof(std::max_align_t));

  public:
    SmallArray() noexcept = default;
    SmallArray(std::initializer_list<T> items) { append(items.begin(), items.size()); }
    SmallArray(const SmallArray& other) { append(other.begin(), other.size()); }
    SmallArray(SmallArray&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
    SmallArray& operator=(SmallArray other) noexcept {
        std::swap(block_, other.block_);
        return *this;
    }
    ~SmallArray() { release(block_); }

    [[nodiscard]] std::size_t size() const noexcept { return block_ ? block_->size : 0; }
    [[nodiscard]] bool empty() const noexcept { return size() == 0; }
    [[nodiscard]] T* data() noexcept { return block_ ? items(block_) : nullptr; }
    [[nodiscard]] const T* data() const noexcept { return block_ ? items(block_) : nullptr; }
    [[nodiscard]] T* begin() noexcept { return data(); }
    [[nodiscard]] T* end() noexcept { return data() + size(); }
    [[nodiscard]] const T* begin() const noexcept { return data(); }
    [[nodiscard]] const T* end() const noexcept { return data() + size(); }
    [[nodiscard]] T& operator[](std::size_t i) noexcept { return data()[i]; }
    [[nodiscard]] const T& operator[](std::size_t i) const noexcept { return data()[i]; }
    [[nodiscard]] T& back() noexcept { return data()[size() - 1]; }
    [[nodiscard]] const T& back() const noexcept { return data()[size() - 1]; }
    [[nodiscard]] T& front() noexcept { return data()[0]; }
    [[nodiscard]] const T& front() const noexcept { return data()[0]; }
    operator std::span<const T>() const noexcept { return {data(), size()}; }

    void push_back(T item) {
        if (size() == capacity()) {
            grow(size() == 0 ? 1 : size() * 2);
        }
        ::new (static_cast<void*>(end())) T(std::move(item));
        ++block_->size;
    }

    friend bool operator==(const SmallArray& a, const SmallArray& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

  private:
    struct Block {
        std::uint32_t size = 0;
        std::uint32_t capacity = 0;
    };
    static constexpr std::size_t itemsAt =
        (sizeof(Block) + alignof(T) - 1) / alignof(T) * alignof(T);

    static T* items(Block* block) noexcept {
        return std::launder(
            reinterpret_cast<T*>(reinterpret_cast<unsigned char*>(block) + itemsAt));
    }
    static const T* items(const Block* block) noexcept { return items(const_cast<Block*>(block)); }
    static void release(Block* block) noexcept {
        if (block != nullptr) {
            std::destroy_n(items(block), block->size);
            ::operator delete(block);
        }
    }
    [[nodiscard]] std::size_t capacity() const noexcept { return block_ ? block_->capacity : 0; }

    // Moves what it holds into a block for `room` elements.
    void grow(std::size_t room) {
        if (room > UINT32_MAX) {
            throw std::length_error("SmallArray: too many elements");
        }
        Block* fresh = ::new (::operator new(itemsAt + room * sizeof(T))) Block{};
        fresh->capacity = static_cast<std::uint32_t>(room);
        if (block_ != nullptr) {
            std::uninitialized_move_n(items(block_), block_->size, items(fresh));
            fresh->size = block_->size;
            release(block_);
        }
        block_ = fresh;
    }

    // Only while empty, as constructors call it: a copy that throws leaves nothing behind.
    void append(const T* from, std::size_t count) {
        if (count == 0) {
            return;
        }
        grow(count);
        try {
            for (std::size_t i = 0; i < count; ++i) {
                push_back(from[i]);
            }
        } catch (...) {
            release(std::exchange(block_, nullptr));
            throw;
        }
    }

    Block* block_ = nullptr;
};

// A text that is this exactly clears the story panel instead of being shown.
inline constexpr std::string_view pageClear = "*cls*";

// What a story remembers while it plays. Every value lives in a slot of a small fixed array, so a
// state stays a plain value that copies without allocating.
inline constexpr std::size_t maxStoryValues = 64;
using StoryValues = std::array<std::int32_t, maxStoryValues>;

enum class ValueKind : std::uint8_t {
    Number, // declared by the writer, with a range
    Flag,   // declared by the writer, 0 off and 1 on
    Visits, // times a section has begun, counted up to one past the largest number it is tested
            // with
    Taken,  // 1 once an option that is offered only once has been taken
};

struct StoryValue {
    std::string name; // "coins"; "visits to haggle" for a visit count; empty for a taken option
    ValueKind kind = ValueKind::Number;
    std::int32_t least = 0;
    std::int32_t most = 0;
    std::int32_t start = 0;
    friend bool operator==(const StoryValue&, const StoryValue&) = default;
};

enum class Compare : std::uint8_t { Equal, NotEqual, Less, AtMost, More, AtLeast };

struct ValueTest {
    std::uint16_t slot = 0;
    Compare compare = Compare::Equal;
    std::int32_t number = 0;
    friend bool operator==(const ValueTest&, const ValueTest&) = default;
};

// Holds when every test holds; a negated condition holds when some test fails. No tests: always.
struct Condition {
    SmallArray<ValueTest> tests;
    bool negated = false;
    friend bool operator==(const Condition&, const Condition&) = default;
};

enum class ChangeKind : std::uint8_t { Set, Add, Subtract };

// A change keeps its value in range: the checker reports one that would leave it.
struct ValueChange {
    std::uint16_t slot = 0;
    ChangeKind kind = ChangeKind::Set;
    std::int32_t amount = 0;
    friend bool operator==(const ValueChange&, const ValueChange&) = default;
};

struct ScenarioText {
    StoryString text;
    friend bool operator==(const ScenarioText&, const ScenarioText&) = default;
};

struct ScenarioEventNone {
    friend bool operator==(const ScenarioEventNone&, const ScenarioEventNone&) = default;
};

struct ScenarioEventGameEnd {
    friend bool operator==(const ScenarioEventGameEnd&, const ScenarioEventGameEnd&) = default;
};

struct SelectorOption {
    StoryString label;
    ListId branch{};
    // Offered only while all of these hold; taking it makes these changes first.
    SmallArray<Condition> offeredWhile{};
    SmallArray<ValueChange> whenTaken{};
    friend bool operator==(const SelectorOption&, const SelectorOption&) = default;
};

// How offered options are numbered when only some are offered at a time: before, the digit (ASCII
// or full width), after.
struct OptionNumbering {
    bool fullWidth = false;
    std::string before;
    std::string after;
    friend bool operator==(const OptionNumbering&, const OptionNumbering&) = default;
};

// A story holds every selector's options in one array, and a selector only where its own lie: a
// story of millions of selectors would otherwise hold millions of small heap blocks. Options
// written in place are for handing a selector to StoryBuilder, which moves them into that array.
// Read them through Story::options.
struct ScenarioSelector {
    SmallArray<SelectorOption> inPlace{};
    std::uint32_t firstOption = 0;
    std::uint32_t optionCount : 31 = 0;
    // Numbered as its options are offered, by the story's numbering (Story::numbering), rather
    // than by the labels: a story's selectors number alike.
    std::uint32_t numbered : 1 = 0;
    friend bool operator==(const ScenarioSelector&, const ScenarioSelector&) = default;
};

// Neither of these is ever shown: the interpreter passes over them as it reaches them.
struct ScenarioChange {
    ValueChange change;
    friend bool operator==(const ScenarioChange&, const ScenarioChange&) = default;
};

// Skips the next `forward` elements of its sequence while the condition holds.
struct ScenarioJump {
    // `forward` may lie in its padding: an element is as large as its largest kind.
    [[no_unique_address]] Condition when;
    std::uint32_t forward = 0;
    friend bool operator==(const ScenarioJump&, const ScenarioJump&) = default;
};

using Scenario = std::variant<ScenarioText, ScenarioEventNone, ScenarioEventGameEnd,
                              ScenarioSelector, ScenarioChange, ScenarioJump>;
// A story of millions of sections holds several elements in each.
static_assert(sizeof(Scenario) <= 24);

// The most options a story holds.
inline constexpr std::size_t maxStoryOptions = (std::size_t{1} << 31) - 1;

class Story;

// The rest of one sequence of a story, from `offset` on: a position, never a copy. Positions at or
// past the end, in ListId{}, or with no story are all the empty list.
struct ScenarioList {
    const Story* story = nullptr;
    ListId list{};
    std::uint32_t offset = 0;
    friend bool operator==(const ScenarioList&, const ScenarioList&) = default;
};

// An immutable story. Cursors point at it, so it stays where it was built: it can be neither copied
// nor moved, and must outlive every state that plays it. Made by StoryBuilder.
class Story {
  public:
    Story(const Story&) = delete;
    Story& operator=(const Story&) = delete;

    // The whole story, from its opening sequence.
    [[nodiscard]] ScenarioList start() const noexcept { return {this, opening_, 0}; }
    // A sequence from its first element; an id this story does not know is the empty list.
    [[nodiscard]] ScenarioList list(ListId id) const noexcept { return {this, id, 0}; }
    // The elements of a sequence; empty for an id this story does not know.
    [[nodiscard]] std::span<const Scenario> elements(ListId id) const noexcept;
    // Sequences are numbered from 1 to sequenceCount() - 1; ListId{} is the empty one.
    [[nodiscard]] std::size_t sequenceCount() const noexcept { return lists_.size(); }
    // False for a sequence that was declared but never written (it plays as empty).
    [[nodiscard]] bool isWritten(ListId id) const noexcept;
    // The options of one of its selectors (or those a selector holds in place).
    [[nodiscard]] std::span<const SelectorOption>
    options(const ScenarioSelector& selector) const noexcept;
    // How the selector's options are numbered as offered; null when their labels carry their
    // numbers.
    [[nodiscard]] const OptionNumbering*
    numbering(const ScenarioSelector& selector) const noexcept {
        return selector.numbered ? numbering_.get() : nullptr;
    }
    // The values it remembers, by slot; empty for a story without memory.
    [[nodiscard]] std::span<const StoryValue> values() const noexcept { return values_; }
    [[nodiscard]] StoryValues startValues() const noexcept;

    // Equal when they play alike: the same elements in sequences that correspond from the opening
    // on, whatever order the sequences were made in.
    friend bool operator==(const Story& a, const Story& b);

  private:
    friend class StoryBuilder;
    // Where a sequence lies in the one array of elements.
    struct Range {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    Story(std::vector<Scenario> elements, std::vector<SelectorOption> options,
          std::vector<Range> lists, std::vector<bool> written, ListId opening,
          std::vector<StoryValue> values, std::unique_ptr<const OptionNumbering> numbering) noexcept
        : elements_(std::move(elements)), options_(std::move(options)), lists_(std::move(lists)),
          written_(std::move(written)), opening_(opening), values_(std::move(values)),
          numbering_(std::move(numbering)) {}

    // Every sequence's elements in one array: a story of millions of sections is held once, not
    // as millions of small arrays.
    std::vector<Scenario> elements_;
    std::vector<SelectorOption> options_; // every selector's, likewise
    std::vector<Range> lists_;
    std::vector<bool> written_;
    ListId opening_{};
    std::vector<StoryValue> values_;
    std::unique_ptr<const OptionNumbering> numbering_;
};

// Writes a story. Declare a sequence first when an option must lead to it before it is written,
// as a loop back to its own selector does:
//
//     StoryBuilder b;
//     const ListId again = b.declare();
//     const ListId lose = b.add({ScenarioText{"You lose."}, ScenarioEventGameEnd{}});
//     const ScenarioSelector ask{{{"1: again", again}, {"2: give up", lose}}};
//     b.define(again, {ScenarioText{"Once more?"}, ask});
//     const ListId opening = b.add({ScenarioText{"Hello."}, ask});
//     const Story story = std::move(b).build(opening);
//
// Mistakes in the structure throw std::logic_error, so a broken story fails before play. A sequence
// declared and never written is left empty for the story checks to report.
class StoryBuilder {
  public:
    // A new sequence to be written later with define.
    [[nodiscard]] ListId declare();
    // Writes a declared sequence, once.
    void define(ListId id, std::vector<Scenario> elements);
    // Writes declared sequences first, first + 1, ... at once: the i-th holds the elements from
    // starts[i] up to starts[i + 1] (the last, up to the end). Their selectors may name their
    // options by where they lie in `options` instead of holding them in place. The arrays are
    // taken over as they are when the builder holds none yet, so a very long story is never held
    // twice.
    void define(ListId first, std::vector<Scenario> elements, std::span<const std::uint32_t> starts,
                std::vector<SelectorOption> options = {});
    // A new sequence, written at once.
    [[nodiscard]] ListId add(std::vector<Scenario> elements);
    // A value the story remembers; its slot is the number returned. At most maxStoryValues.
    std::uint16_t remember(StoryValue value);
    // How the selectors marked numbered number their options.
    void numberOptions(OptionNumbering numbering);
    // Checks that every option leads to a sequence of this builder (or to ListId{}), then hands
    // the arena over. The builder is spent afterwards.
    [[nodiscard]] Story build(ListId opening) &&;

  private:
    void place(std::size_t list, std::size_t first, std::size_t count);
    // Moves options held in place into the one array, from element `from` on.
    void gatherOptions(std::size_t from);

    std::vector<Scenario> elements_;
    std::vector<SelectorOption> options_;
    std::unique_ptr<const OptionNumbering> numbering_;
    std::vector<Story::Range> lists_ = std::vector<Story::Range>(1);
    std::vector<bool> written_ = std::vector<bool>(1, true);
    std::vector<StoryValue> values_;
};

[[nodiscard]] bool isEmpty(ScenarioList list) noexcept;
// The elements still to come, viewing the story's own storage.
[[nodiscard]] std::span<const Scenario> remainingElements(ScenarioList list) noexcept;

// `head` refers into the story, or to a shared ScenarioEventNone once the list is exhausted.
struct NextElement {
    const Scenario& head;
    ScenarioList tail;
};

// Head and tail; the empty list gives (ScenarioEventNone, the same empty list), so an exhausted
// story behaves like an endless run of ScenarioEventNone.
[[nodiscard]] NextElement nextElement(ScenarioList list) noexcept;

// The option at position 1, 2 or 3, or emptyOption() when there are fewer.
[[nodiscard]] const SelectorOption& firstOption(std::span<const SelectorOption> options) noexcept;
[[nodiscard]] const SelectorOption& secondOption(std::span<const SelectorOption> options) noexcept;
[[nodiscard]] const SelectorOption& thirdOption(std::span<const SelectorOption> options) noexcept;
// Empty label, empty branch.
[[nodiscard]] const SelectorOption& emptyOption() noexcept;

// The options of the selector at the head; empty for any other head.
[[nodiscard]] std::span<const SelectorOption> headOptions(ScenarioList list) noexcept;
// The labels of the selector at the head, in order; empty for any other head. The views point into
// the story.
[[nodiscard]] std::vector<std::string_view> optionLabels(ScenarioList list);
// The text at the head when it is a ScenarioText, else "". The view points into the story.
[[nodiscard]] std::string_view feedText(ScenarioList list) noexcept;

} // namespace Engine
