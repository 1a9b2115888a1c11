#include "framework/sdl_error.hpp"

#include <SDL.h>

namespace Framework {

std::string sdlErrorMessage(std::string_view call, const char* sdlText) {
    std::string message(call);
    message += "\nSDL message: ";
    message += (sdlText == nullptr || *sdlText == '\0') ? "No SDL error" : sdlText;
    return message;
}

SdlError::SdlError(std::string_view call)
    : std::runtime_error(sdlErrorMessage(call, SDL_GetError())) {}

void throwSdlError(std::string_view call) {
    throw SdlError(call);
}

} // namespace Framework
