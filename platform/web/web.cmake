# The browser build (emcmake cmake -DMUSICDISK_WEB=ON): the dependencies come
# built for WebAssembly from MUSICDISK_WEB_DEPS (tools/web/build_deps.sh prints
# it), kissfft from its two sources, the rest from emscripten itself. No session
# bus, no libepoxy (WebGL 2 is emscripten's OpenGL ES 3), no libsndfile (streams
# are Ogg Vorbis through stb_vorbis, or WAV), no threads.
#
#   MUSICDISK_WEB_DEPS     the prefix: include/, lib/libSDL2.a, libopenmpt.a,
#                          libsamplerate.a and, for the tests, libgtest*.a, libgmock.a
#   MUSICDISK_KISSFFT_SRC  the folder of kiss_fft.c and kiss_fftr.c
#   MUSICDISK_WEB_DISK     the disk whose data/ the site carries (default: the repository's)
#
# musicdisk_web_program(target) makes the program musicdisk.js + .wasm + .data;
# the target web_site copies it with the page into build-web/site/.

set(MUSICDISK_WEB_DEPS "" CACHE PATH "Prefix of the dependencies built for WebAssembly")
set(MUSICDISK_KISSFFT_SRC "" CACHE PATH "Folder of the kissfft sources")
set(MUSICDISK_WEB_DISK "${CMAKE_SOURCE_DIR}" CACHE PATH "The disk the site plays (the folder that holds data/)")
if(NOT EXISTS "${MUSICDISK_WEB_DEPS}/lib/libSDL2.a")
  message(FATAL_ERROR "MUSICDISK_WEB_DEPS (${MUSICDISK_WEB_DEPS}) holds no lib/libSDL2.a: run tools/web/build_deps.sh")
endif()
if(NOT EXISTS "${MUSICDISK_KISSFFT_SRC}/kiss_fftr.c")
  message(FATAL_ERROR "MUSICDISK_KISSFFT_SRC (${MUSICDISK_KISSFFT_SRC}) holds no kiss_fftr.c")
endif()
if(NOT EXISTS "${MUSICDISK_WEB_DISK}/data/disk.cfg")
  message(FATAL_ERROR "MUSICDISK_WEB_DISK (${MUSICDISK_WEB_DISK}) holds no data/disk.cfg")
endif()

find_path(STB_INCLUDE_DIR stb_image.h PATHS /usr/include PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# The libraries go by the names the desktop's pkg-config gives them, so the
# platform's CMake links the same targets in both builds.
function(web_library name file)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION "${MUSICDISK_WEB_DEPS}/lib/${file}"
    INTERFACE_INCLUDE_DIRECTORIES "${MUSICDISK_WEB_DEPS}/include")
endfunction()

web_library(PkgConfig::SDL2 libSDL2.a)
# The platform code includes SDL both as <SDL2/SDL.h> and as <SDL.h>; not as a
# system folder, which emscripten's own SDL 1 headers would come before.
set_property(TARGET PkgConfig::SDL2 APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES
  "${MUSICDISK_WEB_DEPS}/include/SDL2")
set_property(TARGET PkgConfig::SDL2 PROPERTY IMPORTED_NO_SYSTEM TRUE)
web_library(PkgConfig::OPENMPT libopenmpt.a)
web_library(PkgConfig::SAMPLERATE libsamplerate.a)

add_library(web_kissfft STATIC "${MUSICDISK_KISSFFT_SRC}/kiss_fft.c" "${MUSICDISK_KISSFFT_SRC}/kiss_fftr.c")
target_include_directories(web_kissfft SYSTEM PUBLIC "${MUSICDISK_KISSFFT_SRC}")
target_compile_definitions(web_kissfft PUBLIC kiss_fft_scalar=float)
target_compile_options(web_kissfft PRIVATE -w)
add_library(PkgConfig::KISSFFT INTERFACE IMPORTED GLOBAL)
target_link_libraries(PkgConfig::KISSFFT INTERFACE web_kissfft)

if(MUSICDISK_TESTS)
  web_library(GTest::gtest libgtest.a)
  web_library(GTest::gtest_main libgtest_main.a)
  web_library(GTest::gmock libgmock.a)
  # Under node, reading the real files of the working folder. Emscripten 3.1.6's
  # loader takes node 18's fetch for a browser's and cannot load the .wasm with it.
  find_program(NODE_JS_EXECUTABLE NAMES nodejs node REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${NODE_JS_EXECUTABLE};--no-experimental-fetch")
  set(MUSICDISK_WEB_TEST_LINK_OPTIONS -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1)
endif()

# Everything on the page's one thread; WebAssembly SIMD where the code asks for SSE.
add_compile_options(-msimd128 -msse)

# The one blocking call, the frame loop's sleep, yields to the browser through
# Asyncify. SDL's audio needs emscripten's resume-on-gesture helper, which its
# prebuilt library does not pull in by itself.
set(MUSICDISK_WEB_LINK_OPTIONS
  -sUSE_WEBGL2=1 -sMIN_WEBGL_VERSION=2 -sFULL_ES3=1
  -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sENVIRONMENT=web
  # From a file: CMake's link scripts would double a "$" written here.
  "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_CURRENT_LIST_DIR}/library_functions.json")

function(musicdisk_web_program target)
  file(GLOB_RECURSE disk_files CONFIGURE_DEPENDS "${MUSICDISK_WEB_DISK}/data/*")
  target_link_options(${target} PRIVATE ${MUSICDISK_WEB_LINK_OPTIONS} -sMODULARIZE=1 -sEXPORT_NAME=createMusicdisk
    "SHELL:--preload-file \"${MUSICDISK_WEB_DISK}/data@/data\"")
  set_target_properties(${target} PROPERTIES SUFFIX ".js" LINK_DEPENDS "${disk_files}")

  set(site "${CMAKE_BINARY_DIR}/site")
  set(web "${CMAKE_SOURCE_DIR}/platform/web")
  set(icon "${CMAKE_SOURCE_DIR}/desktop/icons/hicolor/64x64/apps/org.quorvatelle.MusicDisk.png")
  add_custom_target(web_site ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${site}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${site}"
    COMMAND ${CMAKE_COMMAND} -E copy "${web}/index.html" "${web}/page.js" "$<TARGET_FILE_DIR:${target}>/${target}.js"
      "$<TARGET_FILE_DIR:${target}>/${target}.wasm" "$<TARGET_FILE_DIR:${target}>/${target}.data" "${site}/"
    COMMAND ${CMAKE_COMMAND} -E copy "${icon}" "${site}/favicon.png"
    DEPENDS ${target} "${web}/index.html" "${web}/page.js" "${icon}"
    COMMENT "The site in ${site}"
    VERBATIM)
endfunction()
