// A story's texts and labels: a string of two words, not four. A story of millions of sections
// holds one in most of its elements and in every option, and most are short enough to be held in
// place; a longer one takes a heap block of just its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace Engine {

class StoryString {
  public:
    static constexpr std::size_t npos = std::string_view::npos;

    StoryString() noexcept { bytes_[inlineRoom] = 0; }
    StoryString(std::string_view text) { assign(text); }
    StoryString(const char* text) : StoryString(std::string_view(text)) {}
    StoryString(const std::string& text) : StoryString(std::string_view(text)) {}
    StoryString(const StoryString& other) : StoryString(other.view()) {}
    StoryString(StoryString&& other) noexcept {
        std::memcpy(bytes_, other.bytes_, sizeof bytes_);
        other.bytes_[inlineRoom] = 0;
    }
    StoryString& operator=(StoryString other) noexcept {
        std::swap(bytes_, other.bytes_);
        return *this;
    }
    ~StoryString() { release(); }

    [[nodiscard]] const char* data() const noexcept { return onHeap() ? heap() : bytes_; }
    [[nodiscard]] std::size_t size() const noexcept {
        if (!onHeap()) {
            return static_cast<unsigned char>(bytes_[inlineRoom]);
        }
        std::uint32_t size = 0;
        std::memcpy(&size, bytes_ + sizeof(char*), sizeof size);
        return size;
    }
    [[nodiscard]] bool empty() const noexcept { return size() == 0; }
    [[nodiscard]] std::string_view view() const noexcept { return {data(), size()}; }
    operator std::string_view() const noexcept { return view(); }
    [[nodiscard]] std::string str() const { return std::string(view()); }

    [[nodiscard]] std::size_t find(char c, std::size_t from = 0) const noexcept {
        return view().find(c, from);
    }
    [[nodiscard]] std::size_t find(std::string_view s, std::size_t from = 0) const noexcept {
        return view().find(s, from);
    }
    [[nodiscard]] std::size_t find_first_not_of(std::string_view s) const noexcept {
        return view().find_first_not_of(s);
    }
    [[nodiscard]] std::size_t find_last_not_of(std::string_view s) const noexcept {
        return view().find_last_not_of(s);
    }
    [[nodiscard]] std::string_view substr(std::size_t from, std::size_t count = npos) const {
        return view().substr(from, count);
    }

    StoryString& operator+=(std::string_view more) {
        std::string joined(view());
        joined += more;
        *this = StoryString(joined);
        return *this;
    }
    StoryString& operator+=(char c) { return *this += std::string_view(&c, 1); }

    friend bool operator==(const StoryString& a, const StoryString& b) noexcept {
        return a.view() == b.view();
    }
    friend bool operator==(const StoryString& a, std::string_view b) noexcept {
        return a.view() == b;
    }
    friend bool operator==(const StoryString& a, const char* b) noexcept {
        return a.view() == std::string_view(b);
    }
    friend bool operator==(const StoryString& a, const std::string& b) noexcept {
        return a.view() == std::string_view(b);
    }
    friend std::string operator+(std::string_view a, const StoryString& b) {
        return std::string(a).append(b.view());
    }
    friend std::string operator+(const StoryString& a, std::string_view b) {
        return std::string(a.view()).append(b);
    }
    friend std::ostream& operator<<(std::ostream& out, const StoryString& s) {
        return out << s.view();
    }

  private:
    static constexpr std::size_t inlineRoom = 15;
    static constexpr char heapMark = static_cast<char>(0xFF);

    [[nodiscard]] bool onHeap() const noexcept { return bytes_[inlineRoom] == heapMark; }
    [[nodiscard]] char* heap() const noexcept {
        char* p = nullptr;
        std::memcpy(&p, bytes_, sizeof p);
        return p;
    }
    void release() noexcept {
        if (onHeap()) {
            delete[] heap();
        }
    }
    void assign(std::string_view text) {
        if (text.size() <= inlineRoom) {
            std::memcpy(bytes_, text.data(), text.size());
            bytes_[inlineRoom] = static_cast<char>(text.size());
            return;
        }
        if (text.size() > UINT32_MAX) {
            throw std::length_error("StoryString: longer than a story may hold");
        }
        char* p = new char[text.size()];
        std::memcpy(p, text.data(), text.size());
        const auto size = static_cast<std::uint32_t>(text.size());
        std::memcpy(bytes_, &p, sizeof p);
        std::memcpy(bytes_ + sizeof p, &size, sizeof size);
        bytes_[inlineRoom] = heapMark;
    }

    static_assert(sizeof(char*) + sizeof(std::uint32_t) < inlineRoom);
    char bytes_[inlineRoom + 1];
};

} // namespace Engine
