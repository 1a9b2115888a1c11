// The one exception type for fatal SDL errors.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace Framework {

// what() is the call's name, "\nSDL message: ", then SDL_GetError()'s text, or "No SDL error" when
// SDL has none. SDL_GetError() is read in the constructor, so later SDL calls cannot change the
// message.
class SdlError : public std::runtime_error {
  public:
    explicit SdlError(std::string_view call);
};

// The message text for a call and an SDL error text; a null or empty text counts as no error
// (SDL 1.2 returns an empty string when no error is set).
[[nodiscard]] std::string sdlErrorMessage(std::string_view call, const char* sdlText);

// Throws SdlError(call).
[[noreturn]] void throwSdlError(std::string_view call);

} // namespace Framework
