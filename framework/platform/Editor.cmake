# The editor's platform half: IGraphicsMac on the native-layer interface, and the headless layer.
add_library(veltar_platform_headless STATIC HeadlessNativeLayer.cpp ViewHostRules.cpp)
target_link_libraries(veltar_platform_headless PUBLIC veltar_graphics veltar_platform_bundle
  PRIVATE veltar_warnings)

set(_system_paths_Linux SystemPathsLinux.cpp)
set(_system_paths_Windows SystemPathsWindows.cpp)
add_library(veltar_platform_editor STATIC IGraphicsMac.cpp PlatformGraphicsHeadless.cpp
  ${_system_paths_${VELTAR_PLATFORM}})
target_link_libraries(veltar_platform_editor PUBLIC veltar_graphics veltar_platform_headless
  veltar_platform_bundle PRIVATE veltar_warnings)

# The editor in a child window of the host's window: an X11 window on Linux, a Win32 window on
# Windows. veltar_platform_window is the one of the platform being built.
if(VELTAR_PLATFORM STREQUAL "Linux")
  find_package(X11 REQUIRED)
  add_library(veltar_platform_x11 STATIC X11NativeLayer.cpp X11Errors.cpp X11Events.cpp
    X11PopupMenu.cpp X11TextEntry.cpp)
  target_link_libraries(veltar_platform_x11 PUBLIC veltar_platform_headless PRIVATE X11::X11
    veltar_warnings)
  add_library(veltar_platform_window ALIAS veltar_platform_x11)
else()
  add_library(veltar_platform_win32 STATIC Win32NativeLayer.cpp Win32Events.cpp
    Win32PopupMenu.cpp Win32TextEntry.cpp)
  target_link_libraries(veltar_platform_win32 PUBLIC veltar_platform_headless PRIVATE
    veltar_warnings)
  add_library(veltar_platform_window ALIAS veltar_platform_win32)
  # Known folders (shell32, ole32) for the editor's path operations.
  target_link_libraries(veltar_platform_editor PRIVATE shell32 ole32)
endif()
