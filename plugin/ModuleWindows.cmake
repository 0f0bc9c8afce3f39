# The VST 3 module for Windows hosts: the DLL VELTAR.vst3/Contents/x86_64-win/VELTAR.vst3, with the
# editor's images, the fonts of its text and moduleinfo.json in Contents/Resources/.
set(VELTAR_BUNDLE_DIR ${CMAKE_BINARY_DIR}/VELTAR.vst3 CACHE INTERNAL "Built VST 3 bundle")
add_library(VELTAR MODULE ${VELTAR_MODULE_ENTRY_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/exports.def)
target_link_libraries(VELTAR PRIVATE veltar_plugin veltar_platform_bundle veltar_warnings)
# The DLL carries the bundle's extension, as Windows hosts expect.
set_target_properties(VELTAR PROPERTIES
  PREFIX ""
  SUFFIX ${VELTAR_MODULE_SUFFIX}
  LIBRARY_OUTPUT_DIRECTORY ${VELTAR_BUNDLE_DIR}/Contents/${VELTAR_BUNDLE_ARCH})
# A release DLL carries no symbol table (its exports are in the export table): 2 MB instead of 3.5.
target_link_options(VELTAR PRIVATE -Wl,--no-undefined $<$<CONFIG:Release>:-s>)

set(_resources ${VELTAR_BUNDLE_DIR}/Contents/Resources)
add_custom_command(TARGET VELTAR POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_resources}/resources/img ${_resources}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/img
          ${_resources}/resources/img
  COMMAND ${CMAKE_COMMAND} -E copy ${VELTAR_BUNDLED_FONTS} ${_resources}/fonts)
# Written from the built module's own factory by gen_moduleinfo, run under Wine.
add_dependencies(VELTAR gen_moduleinfo)
add_custom_command(TARGET VELTAR POST_BUILD
  COMMAND gen_moduleinfo ${VELTAR_NATIVE_ROOT}${VELTAR_BUNDLE_DIR}
          ${VELTAR_NATIVE_ROOT}${_resources}/moduleinfo.json)

# cmake --install stages the bundle as a Windows user installs it: PREFIX/VELTAR.vst3, to be
# copied into C:\Program Files\Common Files\VST3\ (the zip and the installer do that).
install(DIRECTORY ${VELTAR_BUNDLE_DIR} DESTINATION .)
