# The libraries the runner uses, all from Debian's packages. The module itself
# uses none of them.
#
# Header-only ones (CLI11, nlohmann-json, toml++, stb) serve every build, the cross
# builds included: a folder of links to just their headers stands in for
# /usr/include, so that no other host header reaches a Windows or 32-bit build.
set(_vellomar_headers ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${_vellomar_headers})
foreach(_name CLI nlohmann toml++ stb)
  if(NOT EXISTS /usr/include/${_name})
    message(FATAL_ERROR "/usr/include/${_name} is missing: run tools/install-deps as root")
  endif()
  file(CREATE_LINK /usr/include/${_name} ${_vellomar_headers}/${_name} SYMBOLIC)
endforeach()
add_library(vellomar_header_libs INTERFACE)
target_include_directories(vellomar_header_libs SYSTEM INTERFACE ${_vellomar_headers})
target_compile_definitions(vellomar_header_libs INTERFACE TOML_HEADER_ONLY=1 TOML_EXCEPTIONS=1)

# pugixml: the installed library on a native build; elsewhere (Windows, 32-bit,
# and the fuzzer, which wants it instrumented) compiled for the target from
# Debian's source package, which tools/install-deps unpacks.
set(VELLOMAR_PUGIXML_SOURCE_DIR "${PROJECT_SOURCE_DIR}/build/deps/pugixml"
    CACHE PATH "Debian's pugixml source, for builds that compile it")
if(NOT CMAKE_CROSSCOMPILING AND NOT VELLOMAR_FUZZ)
  find_package(pugixml CONFIG QUIET)
endif()
if(TARGET pugixml::pugixml)
  add_library(vellomar_xml ALIAS pugixml::pugixml)
else()
  if(NOT EXISTS ${VELLOMAR_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
    message(FATAL_ERROR
      "pugixml source not found in ${VELLOMAR_PUGIXML_SOURCE_DIR}: run tools/install-deps as root")
  endif()
  add_library(vellomar_xml STATIC ${VELLOMAR_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
  target_include_directories(vellomar_xml SYSTEM PUBLIC ${VELLOMAR_PUGIXML_SOURCE_DIR}/src)
endif()

# cairo, for the runner's pictures: natively the installed library with
# fontconfig (through which fonts are found), found with pkg-config; the
# Windows builds define vellomar_cairo in cairo_windows.cmake from cairo and
# pixman compiled for the target. Where there is none (the 32-bit Linux build,
# the fuzzer) the runner is built without pictures.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/cairo_windows.cmake)
elseif(NOT CMAKE_CROSSCOMPILING AND NOT VELLOMAR_FUZZ)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(VELLOMAR_CAIRO QUIET IMPORTED_TARGET cairo fontconfig)
  endif()
  if(VELLOMAR_CAIRO_FOUND)
    add_library(vellomar_cairo INTERFACE)
    target_link_libraries(vellomar_cairo INTERFACE PkgConfig::VELLOMAR_CAIRO)
  endif()
endif()
if(TARGET vellomar_cairo)
  option(VELLOMAR_DRAWING "Build the runner's pictures (needs cairo)" ON)
else()
  if(VELLOMAR_DRAWING)
    message(STATUS "cairo is not available for this build: the runner draws no pictures")
  endif()
  set(VELLOMAR_DRAWING OFF)
endif()
