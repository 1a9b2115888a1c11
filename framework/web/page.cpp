// The page's calls for the screen and the record; the keys are the event wait's (event_wait.cpp).
#include "framework/web/page.hpp"

#include <SDL.h>
#include <emscripten.h>

#include <exception>

namespace {

const std::function<void()>* keepRecord = nullptr;

// The screen's pixels are 32 bits, red in the third byte.
EM_JS(void, tellPresent, (const void* pixels, int width, int height, int pitch),
      { Module.gorubadon.present(pixels, width, height, pitch); });

EM_JS(void, tellPlaying, (int on), { Module.gorubadon.playing(!!on); });

EM_JS(void, reportError, (const char* what), { Module.gorubadon.error(UTF8ToString(what)); });

} // namespace

// The page calls this when the tab is hidden or closed, then stores the files it wrote.
extern "C" EMSCRIPTEN_KEEPALIVE void gorubadonKeepRecord() {
    if (keepRecord == nullptr) {
        return;
    }
    try {
        (*keepRecord)();
    } catch (const std::exception& error) {
        reportError(error.what());
    }
}

namespace Framework::Page {

void presentScreen() noexcept {
    if (const SDL_Surface* screen = SDL_GetVideoSurface(); screen != nullptr) {
        tellPresent(screen->pixels, screen->w, screen->h, screen->pitch);
    }
}

void keepRecordWith(const std::function<void()>& keepWork) {
    keepRecord = &keepWork;
    tellPlaying(1);
}

void stopKeepingRecord() noexcept {
    tellPlaying(0);
    keepRecord = nullptr;
}

} // namespace Framework::Page
