/* FreeType's modules in the browser build: TrueType outlines, their hinting, and the two
 * renderers SDL_ttf's modes take (smooth for shaded and blended text, raster for solid). The
 * fonts carry their own hinting, so the auto-hinter is never called. */
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
FT_USE_MODULE( FT_Renderer_Class, ft_raster1_renderer_class )
