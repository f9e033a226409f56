# cairo for the Windows builds: vellomar_cairo, the same target the native
# build finds with pkg-config, here from Debian's cairo and pixman source
# packages (unpacked by tools/install-deps) compiled with this build's MinGW
# toolchain by tools/build-mingw-cairo into build/deps/cairo-mingw/<triplet>.
# That build runs once, on the first configure that finds it missing or made
# by another version of the script or from other sources, and takes a few
# minutes; later configures and other build folders reuse it.
#
# The libraries are static, like the rest of the runner, so the zip needs no
# extra DLL. Text goes through cairo's win32 font backend, with the system's
# fonts; PNG encoding is not cairo's job here.
set(_vellomar_cairo_prefix ${PROJECT_SOURCE_DIR}/build/deps/cairo-mingw/${VELLOMAR_MINGW_TRIPLE})
# The script returns at once when its stamp says the build is current.
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/tools/build-mingw-cairo ${VELLOMAR_MINGW_TRIPLE}
                RESULT_VARIABLE _vellomar_cairo_result)
if(NOT _vellomar_cairo_result EQUAL 0)
  message(FATAL_ERROR "tools/build-mingw-cairo ${VELLOMAR_MINGW_TRIPLE} failed")
endif()
# Reconfigure when the recipe changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/tools/build-mingw-cairo)

add_library(vellomar_cairo INTERFACE)
# Both spellings of the include work, as with pkg-config natively.
target_include_directories(vellomar_cairo SYSTEM INTERFACE ${_vellomar_cairo_prefix}/include/cairo
                           ${_vellomar_cairo_prefix}/include)
# Declares cairo's functions for static linking rather than as DLL imports.
target_compile_definitions(vellomar_cairo INTERFACE CAIRO_WIN32_STATIC_BUILD)
# cairo's win32 backends draw and measure text with GDI (gdi32), blend with
# AlphaBlend (msimg32) and take the screen's device context (user32).
target_link_libraries(vellomar_cairo INTERFACE ${_vellomar_cairo_prefix}/lib/libcairo.a
                      ${_vellomar_cairo_prefix}/lib/libpixman-1.a gdi32 msimg32 user32)
