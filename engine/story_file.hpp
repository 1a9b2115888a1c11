// Stories written as plain text files, as docs/writing-a-story.md describes them, and where each
// part of a story was written. Pure: the text comes in as a string; nothing here opens a file.
#pragma once

#include "engine/scenario.hpp"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

// Where a section was written. A story made in C++ has no names or lines: its sections go by their
// index.
struct SectionSource {
    std::string name;
    std::size_t line = 0;                              // of its "==" line
    std::vector<std::size_t> elementLines;             // one per element, where it starts
    std::vector<std::vector<std::size_t>> optionLines; // per element, where each option is
};

// Where a story came from, for messages in the author's terms.
struct StorySource {
    std::string file;                    // empty for a story made in C++
    std::vector<SectionSource> sections; // by listIndex; index 0, the empty list, is unused
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
