/* FreeType's build options in the browser build: Debian's, less what a plain TrueType font file
 * never needs (compressed, variable, colour, SVG and Mac fonts), which the page would otherwise
 * carry as code. Nothing here changes how an outline is hinted or drawn. */
#include <freetype/config/ftoption.h>
#undef FT_CONFIG_OPTION_USE_LZW
#undef FT_CONFIG_OPTION_USE_ZLIB
#undef FT_CONFIG_OPTION_SVG
#undef FT_CONFIG_OPTION_MAC_FONTS
#undef FT_CONFIG_OPTION_GUESSING_EMBEDDED_RFORK
#undef FT_CONFIG_OPTION_INCREMENTAL
#undef TT_CONFIG_OPTION_COLOR_LAYERS
#undef TT_CONFIG_OPTION_GX_VAR_SUPPORT
#undef TT_CONFIG_OPTION_BDF
