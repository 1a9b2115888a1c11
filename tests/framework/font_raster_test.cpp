// FontRaster, which draws the browser build's text, against the installed SDL_ttf: every glyph and
// every line of both stories, in the three render modes, with the game's font and with the copy
// cut down to the stories' characters, as a published page carries it.
#include "examples/ferry/ferry_story.hpp"
#include "framework/font_raster.hpp"
#include "framework/font_subset.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/text_panel.hpp"
#include "framework/utf8.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"
#include "writer/shown_characters.hpp"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

using namespace Framework;
using namespace Engine;
using namespace Game;
using namespace Ferry;

// Each line a panel draws from the story (cut at line breaks), then each character on its own.
void addTexts(const Story& story, std::set<std::string>& lines) {
    const auto add = [&](std::string_view text) {
        for (const std::string& piece : splitLineBreaks(text)) {
            if (piece != "\r" && piece != "\n") {
                lines.insert(piece);
            }
        }
    };
    for (std::uint32_t id = 1; id < story.sequenceCount(); ++id) {
        for (const Scenario& element : story.elements(ListId{id})) {
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                add(text->text);
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                for (const SelectorOption& option : story.options(*selector)) {
                    add(option.label);
                }
            }
        }
    }
}

std::vector<std::string> storyTexts() {
    std::set<std::string> lines;
    addTexts(storyScript(), lines);
    addTexts(ferryStory(), lines);
    std::set<std::string> glyphs;
    for (const std::string& line : lines) {
        for (std::size_t pos = 0; pos < line.size();) {
            const Utf8::Decoded d = Utf8::decodeAt(line, pos);
            glyphs.insert(line.substr(pos, d.length));
            pos += d.length;
        }
    }
    std::vector<std::string> texts(lines.begin(), lines.end());
    texts.insert(texts.end(), glyphs.begin(), glyphs.end());
    // What the panels hand SDL_ttf beyond the stories: the replacement character, byte order
    // marks (skipped, so alone they render nothing), and a character beyond 16 bits.
    texts.insert(texts.end(), {"\xEF\xBF\xBD", "\xEF\xBB\xBF", "\xEF\xBB\xBF\xE3\x81\x82",
                               "A\xEF\xBF\xBE"
                               "B",
                               "\xF0\x9F\x98\x80", "AV Ty"});
    return texts;
}

// Both nothing, or the same size, format, palette, colour key and pixel bytes.
void expectSameSurface(SDL_Surface* want, SDL_Surface* got, const std::string& text) {
    ASSERT_EQ(want == nullptr, got == nullptr) << text;
    if (want == nullptr) {
        return;
    }
    ASSERT_EQ(want->w, got->w) << text;
    ASSERT_EQ(want->h, got->h) << text;
    const SDL_PixelFormat& wf = *want->format;
    const SDL_PixelFormat& gf = *got->format;
    ASSERT_EQ(wf.BitsPerPixel, gf.BitsPerPixel) << text;
    EXPECT_EQ(std::tie(wf.Rmask, wf.Gmask, wf.Bmask, wf.Amask),
              std::tie(gf.Rmask, gf.Gmask, gf.Bmask, gf.Amask))
        << text;
    EXPECT_EQ(want->flags & SDL_SRCCOLORKEY, got->flags & SDL_SRCCOLORKEY) << text;
    EXPECT_EQ(wf.colorkey, gf.colorkey) << text;
    ASSERT_EQ(wf.palette == nullptr, gf.palette == nullptr) << text;
    if (wf.palette != nullptr) {
        ASSERT_EQ(wf.palette->ncolors, gf.palette->ncolors) << text;
        for (int i = 0; i < wf.palette->ncolors; ++i) {
            const SDL_Color& a = wf.palette->colors[i];
            const SDL_Color& b = gf.palette->colors[i];
            ASSERT_EQ(std::tie(a.r, a.g, a.b), std::tie(b.r, b.g, b.b)) << text << " colour " << i;
        }
    }
    const auto rowBytes = static_cast<std::size_t>(want->w) * wf.BytesPerPixel;
    for (int y = 0; y < want->h; ++y) {
        const auto* a = static_cast<const Uint8*>(want->pixels) + y * want->pitch;
        const auto* b = static_cast<const Uint8*>(got->pixels) + y * got->pitch;
        ASSERT_EQ(std::memcmp(a, b, rowBytes), 0) << text << " row " << y;
    }
}

struct FontCase {
    const char* name;
    bool cut; // FontRaster reads the game's font cut to both stories; SDL_ttf always the whole
    friend void PrintTo(const FontCase& font, std::ostream* os) { *os << font.name; }
};

std::string gameFontPath() {
    return std::string(GORUBADON_SOURCE_ROOT) + "/" + Config::look.fontPath;
}

// The game's font cut as publishing cuts it, in a file of this process's own.
class CutFontFile {
  public:
    CutFontFile()
        : path_(std::filesystem::path(testing::TempDir()) /
                ("cut-font-" + std::to_string(::getpid()) + ".ttf")) {
        std::ifstream in(gameFontPath(), std::ios::binary);
        const std::string whole((std::istreambuf_iterator<char>(in)), {});
        std::set<char32_t> shown = shownCharacters(storyScript());
        shown.merge(shownCharacters(ferryStory()));
        const FontCut cut = cutFont(whole, shown);
        EXPECT_EQ(cut.problem, "");
        EXPECT_LT(cut.bytes.size(), whole.size() / 4);
        std::ofstream(path_, std::ios::binary) << cut.bytes;
    }
    ~CutFontFile() { std::filesystem::remove(path_); }
    CutFontFile(const CutFontFile&) = delete;
    CutFontFile& operator=(const CutFontFile&) = delete;
    [[nodiscard]] std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

class SameAsSdlTtf : public testing::TestWithParam<std::tuple<RenderMode, FontCase>> {
  protected:
    static void SetUpTestSuite() { ASSERT_EQ(TTF_Init(), 0); }
    static void TearDownTestSuite() { TTF_Quit(); }
};

TEST_P(SameAsSdlTtf, EveryLineAndGlyphOfBothStories) {
    const auto& [mode, font] = GetParam();
    const std::string gamePath = gameFontPath();
    const FontPtr sdlTtf(TTF_OpenFontIndex(gamePath.c_str(), Config::look.fontPointSize, 0));
    ASSERT_NE(sdlTtf, nullptr) << TTF_GetError();
    std::optional<CutFontFile> cut;
    if (font.cut) {
        cut.emplace();
    }
    const std::unique_ptr<FontRaster> raster =
        FontRaster::open((cut ? cut->path() : gamePath).c_str(), Config::look.fontPointSize, 0);
    ASSERT_NE(raster, nullptr) << SDL_GetError();
    EXPECT_EQ(raster->lineSkip(), TTF_FontLineSkip(sdlTtf.get()));
    EXPECT_EQ(raster->height(), TTF_FontHeight(sdlTtf.get()));
    EXPECT_EQ(raster->ascent(), TTF_FontAscent(sdlTtf.get()));
    EXPECT_EQ(raster->descent(), TTF_FontDescent(sdlTtf.get()));

    const SDL_Color black{0, 0, 0, 0};
    const SDL_Color paleBlue{192, 192, 255, 0};
    const std::vector<std::string> texts = storyTexts();
    ASSERT_GT(texts.size(), 100U);
    for (const std::string& text : texts) {
        int wantW = -1;
        int wantH = -1;
        int gotW = -2;
        int gotH = -2;
        ASSERT_EQ(TTF_SizeUTF8(sdlTtf.get(), text.c_str(), &wantW, &wantH), 0);
        ASSERT_TRUE(raster->size(text, &gotW, &gotH));
        EXPECT_EQ(std::tie(wantW, wantH), std::tie(gotW, gotH)) << text;
        SurfacePtr want;
        SurfacePtr got;
        switch (mode) {
        case RenderMode::Solid:
            want.reset(TTF_RenderUTF8_Solid(sdlTtf.get(), text.c_str(), black));
            got = raster->renderSolid(text, black);
            break;
        case RenderMode::Shaded:
            want.reset(TTF_RenderUTF8_Shaded(sdlTtf.get(), text.c_str(), black, paleBlue));
            got = raster->renderShaded(text, black, paleBlue);
            break;
        case RenderMode::Blended:
            want.reset(TTF_RenderUTF8_Blended(sdlTtf.get(), text.c_str(), paleBlue));
            got = raster->renderBlended(text, paleBlue);
            break;
        }
        expectSameSurface(want.get(), got.get(), text);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(FontRasterOpen, FailsAsSdlTtfDoes) {
    ASSERT_EQ(TTF_Init(), 0);
    const std::string game = std::string(GORUBADON_SOURCE_ROOT) + "/" + Config::look.fontPath;
    // A missing file, and a file that is no font.
    for (const std::string& path :
         {game + ".missing", std::string(GORUBADON_SOURCE_ROOT) + "/data/images/bg.jpg"}) {
        SDL_ClearError();
        EXPECT_EQ(TTF_OpenFontIndex(path.c_str(), Config::look.fontPointSize, 0), nullptr) << path;
        const std::string want = SDL_GetError();
        SDL_ClearError();
        EXPECT_EQ(FontRaster::open(path.c_str(), Config::look.fontPointSize, 0), nullptr) << path;
        EXPECT_EQ(std::string(SDL_GetError()), want) << path;
    }
    TTF_Quit();
}

const FontCase fonts[] = {{"GameFont", false}, {"PageFont", true}};

std::string caseName(const testing::TestParamInfo<SameAsSdlTtf::ParamType>& info) {
    static const char* const modes[] = {"Solid", "Shaded", "Blended"};
    return std::string(modes[static_cast<int>(std::get<0>(info.param))]) +
           std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Modes, SameAsSdlTtf,
                         testing::Combine(testing::Values(RenderMode::Solid, RenderMode::Shaded,
                                                          RenderMode::Blended),
                                          testing::ValuesIn(fonts)),
                         caseName);

} // namespace
