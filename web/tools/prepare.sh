#!/bin/sh
# The libraries the browser build takes from Debian's source packages, unpacked into DIR once:
# the classic SDL 1.2 and FreeType. FreeType's rasteriser draws curves by the same path on the
# web as on x86-64 (BEZIER_USE_DDA, which x86-64 takes for SSE2), else some edge pixels differ
# by one level from the desktop's glyphs. SDL's dummy video driver, which the page draws from,
# offers the 32-bit screen of a 24-bit X display instead of its 8-bit one.
# Usage: prepare.sh DIR
set -eu
dir=$1
here=$(dirname "$0")
if [ ! -e "$dir/libsdl1.2/.screen32" ]; then
    sh "$here/fetch-source.sh" libsdl1.2 "$dir/libsdl1.2"
    video=$dir/libsdl1.2/src/video/dummy/SDL_nullvideo.c
    sed -i 's/BitsPerPixel = 8;/BitsPerPixel = 32;/; s/BytesPerPixel = 1;/BytesPerPixel = 4;/' "$video"
    grep -q 'BitsPerPixel = 32;' "$video" ||
        { echo "prepare.sh: SDL's dummy screen format is not where it was" >&2; exit 1; }
    touch "$dir/libsdl1.2/.screen32"
fi
if [ ! -e "$dir/libsdl1.2/.mouse" ]; then
    # SDL_ResetMouse shifts by -1 for button 0, which newer compilers turn into a trap.
    mouse=$dir/libsdl1.2/src/events/SDL_mouse.c
    sed -i 's/for ( i = 0; i < sizeof(SDL_ButtonState)\*8; ++i )/for ( i = 1; i <= sizeof(SDL_ButtonState)*8; ++i )/' "$mouse"
    grep -q 'for ( i = 1; i <= sizeof(SDL_ButtonState)\*8; ++i )' "$mouse" ||
        { echo "prepare.sh: SDL's mouse reset is not where it was" >&2; exit 1; }
    touch "$dir/libsdl1.2/.mouse"
fi
if [ ! -e "$dir/freetype/.dda" ]; then
    sh "$here/fetch-source.sh" freetype "$dir/freetype"
    sed -i 's/^#if FT_SSE2                || \\$/#if 1 || FT_SSE2 || \\/' "$dir/freetype/src/smooth/ftgrays.c"
    grep -q '^#if 1 || FT_SSE2 || \\$' "$dir/freetype/src/smooth/ftgrays.c" ||
        { echo "prepare.sh: FreeType's curve switch is not where it was" >&2; exit 1; }
    touch "$dir/freetype/.dda"
fi
