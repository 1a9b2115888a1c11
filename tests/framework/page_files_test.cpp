// What a published page is made of: the font cut to its characters (refusing, never crashing on,
// a file that is no usable font) and SHA-256, which names the page's files.
#include "framework/font_subset.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/sha256.hpp"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#ifdef PAGE_FILES_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>

namespace {

using namespace Framework;

struct DigestCase {
    const char* name;
    std::string bytes;
    const char* digest; // as published for the standard's examples, or by sha256sum(1)
};

TEST(Sha256, MatchesKnownDigestsAcrossBlockEdges) {
    const DigestCase cases[] = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"55 bytes: one block with its length", std::string(55, 'a'),
         "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {"56 bytes: the length needs a second block",
         "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"56 bytes of a", std::string(56, 'a'),
         "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {"a whole block", std::string(64, 'a'),
         "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {"a million bytes", std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const DigestCase& c : cases) {
        EXPECT_EQ(sha256Hex(c.bytes), c.digest) << c.name;
    }
}

std::string gameFont() {
    std::ifstream in(std::string(GORUBADON_SOURCE_ROOT) + "/data/fonts/aqua2_8/aquafont.ttf",
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// The table directory entry of `tag`, by its offset in the file; 0 when there is none.
std::size_t entryOf(const std::string& font, std::string_view tag) {
    const std::size_t tables =
        (static_cast<unsigned char>(font[4]) << 8) | static_cast<unsigned char>(font[5]);
    for (std::size_t i = 0; i < tables; ++i) {
        if (std::string_view(font).substr(12 + 16 * i, 4) == tag) {
            return 12 + 16 * i;
        }
    }
    return 0;
}

// The glyph as SDL_ttf draws it: its size and each pixel, one character a pixel.
std::string inked(TTF_Font* font, Uint16 c) {
    const Uint16 text[] = {c, 0};
    const SurfacePtr glyph(TTF_RenderUNICODE_Shaded(font, text, {0, 0, 0, 0}, {255, 255, 255, 0}));
    if (!glyph) {
        return "none";
    }
    std::string pixels = std::to_string(glyph->w) + "x" + std::to_string(glyph->h) + "\n";
    for (int y = 0; y < glyph->h; ++y) {
        const auto* row = static_cast<const Uint8*>(glyph->pixels) + y * glyph->pitch;
        for (int x = 0; x < glyph->w; ++x) {
            pixels.push_back(row[x] == 0 ? '.' : '#');
        }
        pixels.push_back('\n');
    }
    return pixels;
}

struct HostileCase {
    const char* name;
    std::function<std::string(std::string)> spoil;
    const char* problem;
};

TEST(FontCut, RefusesWhatIsNoUsableFontWithAReason) {
    const std::string font = gameFont();
    ASSERT_GT(font.size(), 1000000U);
    const auto setWord = [](std::string bytes, std::size_t at, std::uint32_t value) {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
        }
        return bytes;
    };
    const HostileCase cases[] = {
        {"nothing", [](std::string) { return std::string(); }, "is not a TrueType font"},
        {"a picture", [](std::string) { return std::string("\xFF\xD8\xFF\xE0 not a font"); },
         "is not a TrueType font"},
        {"PostScript outlines", [](std::string f) { return "OTTO" + f.substr(4); },
         "has PostScript outlines; only TrueType outlines can be cut"},
        {"a collection", [](std::string f) { return "ttcf" + f.substr(4); },
         "is a font collection; only a single font can be cut"},
        {"cut in its header", [](std::string f) { return f.substr(0, 11); },
         "is not a TrueType font"},
        {"cut in its directory", [](std::string f) { return f.substr(0, 100); },
         "is cut short in its table directory"},
        {"cut after its directory", [](std::string f) { return f.substr(0, 1000); },
         "names a table past its end"},
        {"cut in half", [](std::string f) { return f.substr(0, f.size() / 2); },
         "names a table past its end"},
        {"a table's length wraps around",
         [&](std::string f) { return setWord(f, entryOf(f, "glyf") + 12, 0xFFFFFFF0); },
         "names a table past its end"},
        {"no glyph outlines",
         [&](std::string f) { return f.replace(entryOf(f, "glyf"), 4, "glyx"); },
         "has no glyf table"},
        {"no character map",
         [&](std::string f) { return f.replace(entryOf(f, "cmap"), 4, "cmaq"); },
         "has no cmap table"},
        {"more glyphs than metrics",
         [&](std::string f) {
             const std::size_t maxp = bigEndian(f, entryOf(f, "maxp") + 8);
             f[maxp + 4] = '\xFF';
             f[maxp + 5] = '\xFF';
             return f;
         },
         "has too few metrics for its glyphs"},
        {"outlines past the glyph table",
         [&](std::string f) {
             const std::size_t loca = bigEndian(f, entryOf(f, "loca") + 8);
             const std::size_t entries = bigEndian(f, entryOf(f, "loca") + 12) / 4;
             // Every glyph but the first starts past the table's end.
             for (std::size_t g = 1; g < entries; ++g) {
                 f.replace(loca + 4 * g, 4, "\x7F\xFF\xFF\xF0");
             }
             return f;
         },
         "has the outline of glyph "},
    };
    for (const HostileCase& c : cases) {
        const FontCut cut = cutFont(c.spoil(font), {U'A', U'B', U'あ'});
        EXPECT_EQ(cut.bytes, "") << c.name;
        EXPECT_EQ(cut.problem.substr(0, std::string_view(c.problem).size()), c.problem) << c.name;
    }
}

std::string tinyFont() {
    std::ifstream in(std::string(GORUBADON_SOURCE_ROOT) + "/fuzz/corpus/font/composite.ttf",
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The fuzzer's seed: glyph 1 draws A, glyph 2 (B) is glyph 1 twice, side by side.
TEST(FontCut, FollowsCompositesAndRefusesOutlinesCopiedOverAndOver) {
    ASSERT_EQ(TTF_Init(), 0);
    const std::string tiny = tinyFont();
    ASSERT_EQ(tiny.substr(0, 4), std::string("\0\1\0\0", 4));
    const FontCut cut = cutFont(tiny, {U'B'});
    ASSERT_EQ(cut.problem, "");
    const std::string path = testing::TempDir() + "tiny-" + std::to_string(::getpid()) + ".ttf";
    std::ofstream(path, std::ios::binary) << cut.bytes;
    {
        const FontPtr whole(TTF_OpenFont(
            (std::string(GORUBADON_SOURCE_ROOT) + "/fuzz/corpus/font/composite.ttf").c_str(), 16));
        const FontPtr opened(TTF_OpenFont(path.c_str(), 16));
        ASSERT_NE(whole, nullptr) << TTF_GetError();
        ASSERT_NE(opened, nullptr) << TTF_GetError();
        EXPECT_NE(inked(whole.get(), 'B').find('#'), std::string::npos);
        EXPECT_EQ(inked(whole.get(), 'B'), inked(opened.get(), 'B'));
        EXPECT_EQ(TTF_GlyphIsProvided(opened.get(), 'A'), 0);
    }
    std::filesystem::remove(path);
    TTF_Quit();

    // Glyphs 0 and 2 both made the whole outline table (and glyph 1 one that ends before it
    // starts): a font of many such glyphs would cut to far more than its own size.
    std::string shared = tiny;
    const std::size_t loca = bigEndian(shared, entryOf(shared, "loca") + 8);
    const std::uint32_t whole = bigEndian(shared, entryOf(shared, "glyf") + 12) / 2;
    for (std::size_t g = 0; g < 4; ++g) {
        const std::uint32_t at = g % 2 == 0 ? 0 : whole;
        shared[loca + 2 * g] = static_cast<char>(at >> 8);
        shared[loca + 2 * g + 1] = static_cast<char>(at & 0xFF);
    }
    EXPECT_EQ(cutFont(shared, {U'B'}).problem, "has glyphs that share their outlines");
    EXPECT_EQ(cutFont(shared, {U'A'}).problem, "has the outline of glyph 1 out of place");

    // B's outline ended inside its own header.
    std::string cutShort = tiny;
    const std::size_t bAt = loca + 2 * 2;
    const std::uint32_t bEnd = ((static_cast<unsigned char>(cutShort[bAt]) << 8) |
                                static_cast<unsigned char>(cutShort[bAt + 1])) +
                               4;
    cutShort[bAt + 2] = static_cast<char>(bEnd >> 8);
    cutShort[bAt + 3] = static_cast<char>(bEnd & 0xFF);
    EXPECT_EQ(cutFont(cutShort, {U'B'}).problem, "has the outline of glyph 2 out of place");
}

TEST(FontCut, KeepsOnlyTheCharactersAskedForInAWellFormedFont) {
    ASSERT_EQ(TTF_Init(), 0);
    const std::string font = gameFont();
    // Two radicals this font draws from a kanji's outline (composite glyphs), a character it
    // lacks, and one beyond 16 bits, which are left out.
    const std::set<char32_t> keep{U'A', U'g', U'あ', U'渡', U'⼀', U'⺅', U'\uFFFD', U'\U0010FFFD'};
    const FontCut cut = cutFont(font, keep);
    ASSERT_EQ(cut.problem, "");
    EXPECT_LT(cut.bytes.size(), font.size() / 10);
    // The whole file sums to the font's magic number, as its head table promises.
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at + 4 <= cut.bytes.size(); at += 4) {
        sum += bigEndian(cut.bytes, at);
    }
    EXPECT_EQ(sum, 0xB1B0AFBAU);
    EXPECT_EQ(cutFont(cut.bytes, keep).bytes, cut.bytes) << "cutting again changes nothing";

    const std::string path = testing::TempDir() + "cut-" + std::to_string(::getpid()) + ".ttf";
    std::ofstream(path, std::ios::binary) << cut.bytes;
    {
        const FontPtr whole(TTF_OpenFont(
            (std::string(GORUBADON_SOURCE_ROOT) + "/data/fonts/aqua2_8/aquafont.ttf").c_str(), 16));
        const FontPtr opened(TTF_OpenFont(path.c_str(), 16));
        std::filesystem::remove(path);
        ASSERT_NE(opened, nullptr) << TTF_GetError();
        for (const char32_t c : {U'A', U'g', U'あ', U'渡', U'⼀', U'⺅', U'B', U'い', U'1'}) {
            const auto c16 = static_cast<Uint16>(c);
            const bool kept = keep.count(c) != 0 && TTF_GlyphIsProvided(whole.get(), c16) != 0;
            EXPECT_EQ(TTF_GlyphIsProvided(opened.get(), c16) != 0, kept)
                << static_cast<std::uint32_t>(c);
            if (kept) {
                EXPECT_EQ(inked(whole.get(), c16), inked(opened.get(), c16))
                    << static_cast<std::uint32_t>(c);
            }
        }
    }
    TTF_Quit();
}

#ifdef PAGE_FILES_FREETYPE
// FreeType's reading of both character maps the cut writes: the 16-bit one that every reader
// knows, and the full one that characters beyond 16 bits need.
TEST(FontCut, BothCharacterMapsGiveTheWholeFontsGlyphs) {
    const std::string font = gameFont();
    const std::set<char32_t> keep{U'A', U'あ', U'⼀', U'\U0001B000', U'\U0001F431'};
    const FontCut cut = cutFont(font, keep);
    ASSERT_EQ(cut.problem, "");
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face whole = nullptr;
    FT_Face opened = nullptr;
    ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font.data()),
                                 static_cast<FT_Long>(font.size()), 0, &whole),
              0);
    ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(cut.bytes.data()),
                                 static_cast<FT_Long>(cut.bytes.size()), 0, &opened),
              0);
    EXPECT_EQ(opened->num_glyphs, whole->num_glyphs);
    ASSERT_EQ(opened->num_charmaps, 2);
    for (int map = 0; map < opened->num_charmaps; ++map) {
        const FT_CharMap charmap = opened->charmaps[map];
        const bool full = charmap->encoding_id == 10;
        ASSERT_EQ(FT_Set_Charmap(opened, charmap), 0);
        for (const char32_t c : {U'A', U'あ', U'⼀', U'\U0001B000', U'\U0001F431', U'B', U'い'}) {
            const FT_UInt want =
                keep.count(c) != 0 && (full || c <= 0xFFFF) ? FT_Get_Char_Index(whole, c) : 0;
            EXPECT_EQ(FT_Get_Char_Index(opened, c), want)
                << "map " << charmap->encoding_id << ", U+" << std::hex
                << static_cast<std::uint32_t>(c);
        }
    }
    FT_Done_Face(opened);
    FT_Done_Face(whole);
    FT_Done_FreeType(library);
}
#endif

} // namespace
