# The VST 3 module for Linux hosts (VELTAR.vst3/Contents/x86_64-linux/VELTAR.so), the same plug-in
# as an LV2 bundle, and where cmake --install puts both.
set(VELTAR_BUNDLE_DIR ${CMAKE_BINARY_DIR}/VELTAR.vst3 CACHE INTERNAL "Built VST 3 bundle")
add_library(VELTAR MODULE ${VELTAR_MODULE_ENTRY_SOURCES})
target_link_libraries(VELTAR PRIVATE veltar_plugin veltar_platform_bundle veltar_warnings)
set_target_properties(VELTAR PROPERTIES
  PREFIX ""
  LIBRARY_OUTPUT_DIRECTORY ${VELTAR_BUNDLE_DIR}/Contents/${VELTAR_BUNDLE_ARCH})
# Only the five entry points leave the module; everything else stays private to it (the
# version script decides, so the entry files need no visibility marks of their own).
target_link_options(VELTAR PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports.map -Wl,--no-undefined)
set_property(TARGET VELTAR APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)
add_custom_command(TARGET VELTAR POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELTAR_BUNDLE_DIR}/Contents/Resources/resources/img
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/img
          ${VELTAR_BUNDLE_DIR}/Contents/Resources/resources/img)
# Hosts list the module from Contents/Resources/moduleinfo.json without loading it; the file is
# written from the built module's own factory.
add_dependencies(VELTAR gen_moduleinfo)
add_custom_command(TARGET VELTAR POST_BUILD
  COMMAND gen_moduleinfo ${VELTAR_BUNDLE_DIR}
          ${VELTAR_BUNDLE_DIR}/Contents/Resources/moduleinfo.json)
# The factory presets as VST 3 preset files, which cmake --install puts where hosts look for a
# vendor's presets.
set(VELTAR_VST3_PRESETS_DIR ${CMAKE_BINARY_DIR}/vst3-presets CACHE INTERNAL
  "Built VST 3 preset files")
add_dependencies(VELTAR gen_vstpresets)
add_custom_command(TARGET VELTAR POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VELTAR_VST3_PRESETS_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELTAR_VST3_PRESETS_DIR}
  COMMAND gen_vstpresets ${VELTAR_VST3_PRESETS_DIR})

# --- The same plug-in built against the LV2 adapter, and its bundle VELTAR.lv2 ---
add_library(veltar_plugin_lv2 STATIC VELTAR.cpp FactoryPresetMenu.cpp)
target_link_libraries(veltar_plugin_lv2 PUBLIC veltar_lv2 veltar_dsp veltar_platform_editor
  veltar_presets PRIVATE veltar_warnings)

# In a folder of its own, so that LV2_PATH can name it for LV2 hosts and tools.
set(VELTAR_LV2_PATH ${CMAKE_BINARY_DIR}/lv2 CACHE INTERNAL "Folder of the built LV2 bundle")
set(VELTAR_LV2_BUNDLE_DIR ${VELTAR_LV2_PATH}/VELTAR.lv2 CACHE INTERNAL "Built LV2 bundle")
# veltar_lv2_module(TARGET OUTPUT_NAME sources... LIBS libs...): one binary of the LV2 bundle.
function(veltar_lv2_module target output)
  cmake_parse_arguments(M "" "" "LIBS" ${ARGN})
  add_library(${target} MODULE ${M_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE ${M_LIBS} veltar_warnings)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${output}
    LIBRARY_OUTPUT_DIRECTORY ${VELTAR_LV2_BUNDLE_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  # Only the descriptor functions leave the binary.
  target_link_options(${target} PRIVATE
    -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports_lv2.map -Wl,--no-undefined)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/exports_lv2.map)
endfunction()

veltar_lv2_module(VELTAR_lv2 VELTAR ${CMAKE_SOURCE_DIR}/framework/lv2/LV2Entry.cpp
  LIBS veltar_plugin_lv2)
# The Turtle is written from the plug-in's own parameter table each time the module is built.
add_dependencies(VELTAR_lv2 gen_lv2_turtle)
add_custom_command(TARGET VELTAR_lv2 POST_BUILD
  COMMAND gen_lv2_turtle ${VELTAR_LV2_BUNDLE_DIR} $<TARGET_FILE_NAME:VELTAR_lv2>
          $<TARGET_FILE_NAME:VELTAR_lv2_ui>
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELTAR_LV2_BUNDLE_DIR}/Contents/Resources/resources/img
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/img
          ${VELTAR_LV2_BUNDLE_DIR}/Contents/Resources/resources/img)

# The editor as an X11 UI of the same bundle, on the editor's X11 layer.
veltar_lv2_module(VELTAR_lv2_ui VELTAR_ui ${CMAKE_SOURCE_DIR}/framework/lv2/LV2UIEntry.cpp
  LIBS veltar_plugin_lv2 veltar_platform_x11 veltar_platform_bundle)
add_dependencies(VELTAR_lv2_ui VELTAR_lv2)

# Where cmake --install puts things is decided when it runs, not when the build was configured:
# with the prefix left at its default and no --prefix, the bundles go into the installing user's
# ~/.vst3 (presets in ~/.vst3/presets) and ~/.lv2 and the renderer into ~/.local/bin; with --prefix
# P (or a configured prefix) into P/lib/vst3, P/share/vst3/presets, P/lib/lv2 and P/bin. file(INSTALL) prefixes every destination with DESTDIR. The tools' install
# rules use the folders set here.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR NOT DEFINED VELTAR_DEFAULT_PREFIX)
  set(VELTAR_DEFAULT_PREFIX "${CMAKE_INSTALL_PREFIX}" CACHE INTERNAL "The prefix CMake chose itself")
endif()
install(CODE "
  if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"${VELTAR_DEFAULT_PREFIX}\" AND NOT \"\$ENV{HOME}\" STREQUAL \"\")
    set(VELTAR_INSTALL_VST3 \"\$ENV{HOME}/.vst3\")
    set(VELTAR_INSTALL_VST3_PRESETS \"\$ENV{HOME}/.vst3/presets\")
    set(VELTAR_INSTALL_LV2 \"\$ENV{HOME}/.lv2\")
    set(VELTAR_INSTALL_BIN \"\$ENV{HOME}/.local/bin\")
    set(VELTAR_INSTALL_MAN \"\$ENV{HOME}/.local/share/man/man1\")
  else()
    set(VELTAR_INSTALL_VST3 \"\${CMAKE_INSTALL_PREFIX}/lib/vst3\")
    set(VELTAR_INSTALL_VST3_PRESETS \"\${CMAKE_INSTALL_PREFIX}/share/vst3/presets\")
    set(VELTAR_INSTALL_LV2 \"\${CMAKE_INSTALL_PREFIX}/lib/lv2\")
    set(VELTAR_INSTALL_BIN \"\${CMAKE_INSTALL_PREFIX}/bin\")
    set(VELTAR_INSTALL_MAN \"\${CMAKE_INSTALL_PREFIX}/share/man/man1\")
  endif()
  file(INSTALL DESTINATION \"\${VELTAR_INSTALL_VST3}\" TYPE DIRECTORY
       FILES \"${VELTAR_BUNDLE_DIR}\" USE_SOURCE_PERMISSIONS)
  file(GLOB VELTAR_VST3_PRESET_FILES \"${VELTAR_VST3_PRESETS_DIR}/*.vstpreset\")
  file(INSTALL DESTINATION \"\${VELTAR_INSTALL_VST3_PRESETS}/QuillstoneAudio/VELTAR\" TYPE FILE
       FILES \${VELTAR_VST3_PRESET_FILES})
  file(INSTALL DESTINATION \"\${VELTAR_INSTALL_LV2}\" TYPE DIRECTORY
       FILES \"${VELTAR_LV2_BUNDLE_DIR}\" USE_SOURCE_PERMISSIONS)
")
