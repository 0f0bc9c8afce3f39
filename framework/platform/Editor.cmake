# The editor's platform half: IGraphicsMac on the native-layer interface, and the headless layer.
add_library(veltar_platform_headless STATIC HeadlessNativeLayer.cpp ViewHostRules.cpp)
target_link_libraries(veltar_platform_headless PUBLIC veltar_graphics veltar_platform_bundle
  PRIVATE veltar_warnings)

add_library(veltar_platform_editor STATIC IGraphicsMac.cpp PlatformGraphicsHeadless.cpp)
target_link_libraries(veltar_platform_editor PUBLIC veltar_graphics veltar_platform_headless
  veltar_platform_bundle PRIVATE veltar_warnings)

# The editor in a child window of an X11 host window.
find_package(X11 REQUIRED)
add_library(veltar_platform_x11 STATIC X11NativeLayer.cpp X11Errors.cpp X11Events.cpp
  X11PopupMenu.cpp X11TextEntry.cpp)
target_link_libraries(veltar_platform_x11 PUBLIC veltar_platform_headless PRIVATE X11::X11
  veltar_warnings)
