# Finds the recognition engine that scripts/build-engine cross-builds for the
# Windows programs (static Tesseract and Leptonica with libtiff, libjpeg,
# libpng and Debian's MinGW zlib) and the English data the programs ship.
#
#   TSY_ENGINE_DIR     the engine's prefix for this CPU (default: the
#                      CPU's folder under $ENV{TSY_ENGINE_ROOT}, else under
#                      build/engine of the source tree)
#   TSY_ENGLISH_DATA   eng.traineddata (default: Debian's tesseract-ocr-eng)
#
# Defines TsyEngine_FOUND, the imported target TsyEngine::engine (headers
# and every library in link order), and TsyEngine_ENGLISH_DATA.

if(DEFINED ENV{TSY_ENGINE_ROOT} AND NOT "$ENV{TSY_ENGINE_ROOT}" STREQUAL "")
  set(_tsy_engine_root "$ENV{TSY_ENGINE_ROOT}")
else()
  set(_tsy_engine_root "${PROJECT_SOURCE_DIR}/build/engine")
endif()
set(TSY_ENGINE_DIR "${_tsy_engine_root}/${CMAKE_SYSTEM_PROCESSOR}"
    CACHE PATH "The recognition engine built by scripts/build-engine for this CPU")
set(TSY_ENGLISH_DATA /usr/share/tesseract-ocr/5/tessdata/eng.traineddata
    CACHE FILEPATH "The engine's English data, shipped beside the programs")

# The libraries, each after the ones it uses. The engine's own paths are
# named outright: the toolchain's find root would move them under the
# MinGW sysroot.
set(_tsy_engine_libraries
    "${TSY_ENGINE_DIR}/lib/libtesseract53.a" "${TSY_ENGINE_DIR}/lib/libleptonica-1.82.0.a"
    "${TSY_ENGINE_DIR}/lib/libtiff.a" "${TSY_ENGINE_DIR}/lib/libjpeg.a"
    "${TSY_ENGINE_DIR}/lib/libpng16.a")
find_library(TSY_ENGINE_ZLIB NAMES libz.a z)

set(_tsy_engine_missing "")
foreach(_file "${TSY_ENGINE_DIR}/engine.stamp" ${_tsy_engine_libraries}
        "${TSY_ENGINE_DIR}/include/tesseract/baseapi.h"
        "${TSY_ENGINE_DIR}/include/leptonica/allheaders.h")
  if(NOT EXISTS "${_file}")
    list(APPEND _tsy_engine_missing "${_file}")
  endif()
endforeach()
if(NOT TSY_ENGINE_ZLIB)
  list(APPEND _tsy_engine_missing "libz.a (package libz-mingw-w64-dev)")
endif()
if(NOT EXISTS "${TSY_ENGLISH_DATA}")
  list(APPEND _tsy_engine_missing "${TSY_ENGLISH_DATA} (package tesseract-ocr-eng)")
endif()

if(_tsy_engine_missing STREQUAL "")
  set(TsyEngine_ENGLISH_DATA "${TSY_ENGLISH_DATA}")
  if(NOT TARGET TsyEngine::engine)
    add_library(TsyEngine::engine INTERFACE IMPORTED)
    set_target_properties(
      TsyEngine::engine PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${TSY_ENGINE_DIR}/include"
                                   INTERFACE_LINK_LIBRARIES "${_tsy_engine_libraries};${TSY_ENGINE_ZLIB}")
  endif()
elseif(NOT TsyEngine_FIND_QUIETLY)
  string(REPLACE ";" "\n  " _tsy_engine_missing "${_tsy_engine_missing}")
  message(STATUS "The recognition engine is incomplete; missing:\n  ${_tsy_engine_missing}\n"
                 "scripts/build-engine ${CMAKE_SYSTEM_PROCESSOR} builds it.")
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(TsyEngine REQUIRED_VARS TsyEngine_ENGLISH_DATA
                                  REASON_FAILURE_MESSAGE "run scripts/build-engine first")
