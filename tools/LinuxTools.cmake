# The Linux programs among the tools: the renderer, the generators of committed data, the LV2
# Turtle writer and the VST 3 preset files' writer.

# Writes Coeffs/TRANS_COEFFS/CurveTables.h (committed; a test checks it is up to date).
add_executable(gen_curve_tables gen_curve_tables.cpp)
target_link_libraries(gen_curve_tables PRIVATE veltar_warnings)

# Writes plugin/HalfbandCoefficients.h, the oversampler's filters (committed; a test checks it is
# up to date).
add_executable(gen_halfband gen_halfband.cpp)
target_link_libraries(gen_halfband PRIVATE veltar_warnings)

# veltar-render: hosts the built VELTAR.vst3 bundle through the VST 3 interfaces, as a DAW does,
# and batch-processes audio files. Everything but main() is a library, for the tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
add_library(veltar_render_lib STATIC
  render/AudioFileReader.cpp
  render/AudioFileWriter.cpp
  render/DemoSignal.cpp
  render/LibsndfileWorkarounds.cpp
  render/Options.cpp
  render/OutputFormat.cpp
  render/Oversample.cpp
  render/ParamSettings.cpp
  render/PendingFile.cpp
  render/ProgramFile.cpp
  render/Progress.cpp
  render/Quantiser.cpp
  render/Render.cpp
  render/SignalSource.cpp
  render/SignalStats.cpp
  render/WaveListGuard.cpp)
target_include_directories(veltar_render_lib PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/render)
target_link_libraries(veltar_render_lib
  PUBLIC PkgConfig::SNDFILE veltar_vst3_host
  PRIVATE veltar_fxp_layout veltar_coeffs veltar_presets veltar_state_extension veltar_warnings)
# The editor snapshot links the plug-in object in and draws its editor off screen; only the
# bitmaps come from the bundle.
add_library(veltar_snapshot_lib STATIC render/Snapshot.cpp)
target_link_libraries(veltar_snapshot_lib PUBLIC veltar_render_lib veltar_plugin veltar_raster
  PRIVATE veltar_warnings)
add_executable(veltar-render render/main.cpp)
target_link_libraries(veltar-render PRIVATE veltar_render_lib veltar_snapshot_lib veltar_warnings)
target_compile_definitions(veltar-render PRIVATE VELTAR_VERSION="${PROJECT_VERSION}")
# Installed next to the bundle's install (see plugin/CMakeLists.txt), with its manual page.
install(CODE "
  file(INSTALL DESTINATION \"\${VELTAR_INSTALL_BIN}\" TYPE EXECUTABLE
       FILES \"$<TARGET_FILE:veltar-render>\")
  file(INSTALL DESTINATION \"\${VELTAR_INSTALL_MAN}\" TYPE FILE
       FILES \"${CMAKE_CURRENT_SOURCE_DIR}/render/veltar-render.1\")
")
# The renderer finds the bundle at <build>/VELTAR.vst3 by default; building it builds the bundle.
if(TARGET VELTAR)
  add_dependencies(veltar-render VELTAR)
endif()

# gen_artwork <outdir>: draws the editor's bitmaps (committed in resources/img; a test checks
# they are up to date).
add_executable(gen_artwork gen_artwork.cpp artwork/Canvas.cpp artwork/Panel.cpp artwork/Knobs.cpp
  artwork/Switches.cpp artwork/ModelSelector.cpp artwork/Meters.cpp)
target_link_libraries(gen_artwork PRIVATE veltar_raster veltar_warnings)

# gen_lv2_turtle <bundle> <module> <UI module>: writes the LV2 bundle's Turtle from the plug-in
# object built for LV2; run by every build of the LV2 module.
add_executable(gen_lv2_turtle gen_lv2_turtle.cpp)
target_link_libraries(gen_lv2_turtle PRIVATE veltar_plugin_lv2 veltar_warnings)

# The SDK's reader and writer of .vstpreset files, as hosts use it: for the generator below and
# for the tests that load its files. Compiled as it comes (host-side names of the state calls).
add_library(vst3_preset_file STATIC ${VST3_SDK_DIR}/public.sdk/source/vst/vstpresetfile.cpp)
set_source_files_properties(${VST3_SDK_DIR}/public.sdk/source/vst/vstpresetfile.cpp
  PROPERTIES COMPILE_OPTIONS "-w")
target_link_libraries(vst3_preset_file PUBLIC vst3_sdk)

# gen_vstpresets <folder>: writes the factory presets as VST 3 preset files, from the plug-in object
# itself; run after each build of VELTAR (see plugin/ModuleLinux.cmake).
add_executable(gen_vstpresets gen_vstpresets.cpp)
target_link_libraries(gen_vstpresets PRIVATE veltar_plugin vst3_preset_file veltar_warnings)
