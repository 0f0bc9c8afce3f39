# The editor's platform half: IGraphicsMac on the native-layer interface, and the headless layer.
add_library(veltar_platform_headless STATIC HeadlessNativeLayer.cpp ViewHostRules.cpp)
target_link_libraries(veltar_platform_headless PUBLIC veltar_graphics veltar_platform_bundle
  PRIVATE veltar_warnings)

add_library(veltar_platform_editor STATIC IGraphicsMac.cpp PlatformGraphicsHeadless.cpp)
target_link_libraries(veltar_platform_editor PUBLIC veltar_graphics veltar_platform_headless
  veltar_platform_bundle PRIVATE veltar_warnings)
