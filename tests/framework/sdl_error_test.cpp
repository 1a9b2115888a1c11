#include "framework/sdl_error.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

namespace {
using namespace Framework;
} // namespace

TEST(SdlError, MessageIsCallNameThenSdlText) {
    SDL_SetError("Bar went wrong");
    const SdlError error("FooCall");
    EXPECT_EQ(std::string(error.what()), "FooCall\nSDL message: Bar went wrong");
}

TEST(SdlError, EmptySdlErrorCountsAsNone) {
    SDL_ClearError();
    ASSERT_STREQ(SDL_GetError(),
                 ""); // SDL 1.2 has an empty string, not a null pointer, for "no error"
    const SdlError error("IMG_Load");
    EXPECT_EQ(std::string(error.what()), "IMG_Load\nSDL message: No SDL error");
}

TEST(SdlError, NullAndEmptyTextsBothMeanNoError) {
    EXPECT_EQ(sdlErrorMessage("SDL_Init", nullptr), "SDL_Init\nSDL message: No SDL error");
    EXPECT_EQ(sdlErrorMessage("SDL_Init", ""), "SDL_Init\nSDL message: No SDL error");
    EXPECT_EQ(sdlErrorMessage("SDL_Init", "x"), "SDL_Init\nSDL message: x");
}

TEST(SdlError, MessageIsTakenWhenConstructed) {
    SDL_SetError("first");
    const SdlError error("TTF_RenderUTF8_Shaded");
    SDL_SetError("second");
    EXPECT_EQ(std::string(error.what()), "TTF_RenderUTF8_Shaded\nSDL message: first");
}

TEST(SdlError, ThrowHelperThrowsTheSameMessage) {
    SDL_SetError("no mode");
    try {
        throwSdlError("SDL_SetVideoMode");
        FAIL() << "nothing thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(dynamic_cast<const SdlError*>(&e), nullptr);
        EXPECT_EQ(std::string(e.what()), "SDL_SetVideoMode\nSDL message: no mode");
    }
}
