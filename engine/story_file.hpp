// Stories written as plain text files, as docs/writing-a-story.md describes them, and where each
// part of a story was written. Pure: the text comes in as a string; nothing here opens a file.
#pragma once

#include "engine/scenario.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

// Where a section was written.
struct SectionSource {
    std::string_view name; // empty for the empty list and for a story made in C++
    std::size_t line = 0;  // of its "==" line
};

// Where each section, its elements and their options were written, by listIndex. Held in a few
// flat arrays: a story of millions of sections takes a few times its file, not a dozen.
class SectionSources {
  public:
    [[nodiscard]] std::size_t size() const noexcept { return lines_.size(); }
    [[nodiscard]] bool empty() const noexcept { return lines_.empty(); }
    [[nodiscard]] SectionSource operator[](std::size_t section) const noexcept;
    // Throws std::out_of_range for a section it does not hold.
    [[nodiscard]] SectionSource at(std::size_t section) const;
    // Of an element counted from 0, or of an option of it counted from 0; 0 when unknown.
    [[nodiscard]] std::size_t elementLine(std::size_t section, std::size_t element) const noexcept;
    [[nodiscard]] std::size_t optionLine(std::size_t section, std::size_t element,
                                         std::size_t option) const noexcept;

    // Written in file order: a section, then its elements, each followed by its options.
    void addSection(std::string_view name, std::size_t line);
    void addElement(std::size_t line);
    void addOption(std::size_t line);
    // An element before the others of a section, written on the section's own line.
    void addFirstElement(std::size_t section);
    void reserve(std::size_t sections, std::size_t elements, std::size_t options,
                 std::size_t nameBytes);

  private:
    [[nodiscard]] std::size_t elementEnd(std::size_t section) const noexcept;
    [[nodiscard]] std::size_t optionEnd(std::size_t element) const noexcept;

    std::string names_;                        // every name, one after another
    std::vector<std::uint32_t> nameEnds_;      // by section, where its name ends in names_
    std::vector<std::uint32_t> lines_;         // by section
    std::vector<std::uint32_t> elementStarts_; // by section, its first in elementLines_
    std::vector<std::uint32_t> elementLines_;  // every element's, section after section
    std::vector<std::uint32_t> optionStarts_;  // by element, its first in optionLines_
    std::vector<std::uint32_t> optionLines_;   // every option's, element after element
};

// Where a story came from, for messages in the author's terms.
struct StorySource {
    std::string file;                    // empty for a story made in C++
    SectionSources sections;             // by listIndex; index 0, the empty list, is unused
    std::size_t pictureLine = 0;         // 0 when the file names no picture
    std::vector<std::size_t> valueLines; // by slot, where each value was declared; 0 for none
};

// "section "haggle"" for a story from a file, "section 3" otherwise.
[[nodiscard]] std::string sectionName(const StorySource& source, std::size_t section);
// The line an element (counted from 1; 0 for the section itself), or an option of it (from 1), was
// written on; 0 when unknown.
[[nodiscard]] std::size_t sourceLine(const StorySource& source, std::size_t section,
                                     std::size_t element, std::size_t option = 0);

// The index of the section with this name, or 0 when there is none.
[[nodiscard]] std::size_t sectionIndex(const StorySource& source, std::string_view name);
// "no section named "hagle"; did you mean "haggle"?"
[[nodiscard]] std::string noSectionNamed(const StorySource& source, std::string_view name);

struct StoryFileError {
    std::string file;
    std::size_t line = 0;
    std::size_t column = 0; // in characters, from 1
    std::string message;
    friend bool operator==(const StoryFileError&, const StoryFileError&) = default;
};

// "ferry.story:14:12: no section named "hagle"; did you mean "haggle"?"
[[nodiscard]] std::string describe(const StoryFileError& error);

struct StoryFile {
    std::unique_ptr<const Story> story; // null exactly when there are errors
    StorySource source;
    std::string title;      // empty when the file gives none
    std::string picture;    // as written, relative to the file's folder; empty when not given
    bool keepPlace = false; // a page keeps the reader's place across visits
    std::vector<StoryFileError> errors; // in file order, at most maxStoryFileErrors
};

inline constexpr std::size_t maxStoryFileErrors = 100;

// Total on any bytes: a story, or the errors that keep the text from being one. Sections become
// sequences in the order written; the first is the opening.
[[nodiscard]] StoryFile readStory(std::string_view text, std::string_view fileName);

} // namespace Engine
