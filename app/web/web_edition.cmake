# SPDX-License-Identifier: GPL-3.0-or-later
# The browser edition in site/ of its build tree (build-web/site), the only folder to serve: the
# page, its scripts, the program's .js and .wasm, the sounds packed into one .data file for the
# program's file system, and the page's own help.
set(VELTRO_SOUNDS_DIR "" CACHE PATH "Where the native build synthesised the game's sounds (its bin/)")
file(GLOB veltro_sounds ${VELTRO_SOUNDS_DIR}/*.wav)
if(NOT veltro_sounds)
  message(FATAL_ERROR "No sounds in VELTRO_SOUNDS_DIR='${VELTRO_SOUNDS_DIR}': build the native assets first")
endif()

set(VELTRO_WEB_DIR ${CMAKE_BINARY_DIR}/site)
add_executable(veltro-lander web/main.cpp program.cpp sound_log.cpp speech_log.cpp spoken_dialogs.cpp)
target_include_directories(veltro-lander PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(veltro-lander PRIVATE veltro_game veltro_speech veltro_sound veltro_headless
  veltro_web)
set_target_properties(veltro-lander PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${VELTRO_WEB_DIR})

# The sounds live in /game, the program's folder; the page starts the program on its Start button.
set(preload "")
foreach(sound ${veltro_sounds})
  get_filename_component(name ${sound} NAME)
  list(APPEND preload "SHELL:--preload-file ${sound}@/game/${name}")
endforeach()
target_link_options(veltro-lander PRIVATE
  -lopenal
  # Stopped sounds fade out instead of stopping within a sample.
  "SHELL:--js-library ${PROJECT_SOURCE_DIR}/src/platform/web/openal_fades.js"
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=262144
  -sALLOW_MEMORY_GROWTH
  -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=callMain
  ${preload})
set_property(TARGET veltro-lander APPEND PROPERTY LINK_DEPENDS ${veltro_sounds}
  ${PROJECT_SOURCE_DIR}/src/platform/web/openal_fades.js)

set(page_dir ${PROJECT_SOURCE_DIR}/src/platform/web/page)
foreach(file index.html veltro-audio-clock.js veltro-keys.js veltro-page.js veltro-gamepad.js
    veltro-touch.js help.html)
  configure_file(${page_dir}/${file} ${VELTRO_WEB_DIR}/${file} COPYONLY)
endforeach()
