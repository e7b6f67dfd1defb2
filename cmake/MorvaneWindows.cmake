# The Windows side of the build, included by the top-level list once
# morvane_app exists. Works with MinGW-w64 (native or cross, see
# scripts/build-windows) and with MSVC.
#
# GLFW: any glfw3 CMake package (glfw3Config.cmake) of version 3.4 or later
# that find_package sees: a FetchContent/vcpkg/installed GLFW on Windows, or
# the static mingw build that scripts/build-windows makes from Debian 13's
# source package (handed in as glfw3_DIR). GLFW 3.3 would scan the game
# controllers in glfwInit and zero the foreground lock timeout until
# glfwTerminate.
# GL/glcorearb.h: from the compiler's own headers, or from the directory in
# MORVANE_GL_INCLUDE_DIR (a copy of the Khronos headers, GL/ and KHR/).
enable_language(RC)

set(MORVANE_GL_INCLUDE_DIR "" CACHE PATH
    "A directory holding GL/glcorearb.h and KHR/khrplatform.h, searched before the compiler's")

find_package(glfw3 3.4 REQUIRED)

# windows.h would otherwise turn min and max into macros.
target_compile_definitions(morvane_core PUBLIC NOMINMAX)
if(MORVANE_GL_INCLUDE_DIR)
  target_include_directories(morvane_core SYSTEM BEFORE PUBLIC ${MORVANE_GL_INCLUDE_DIR})
endif()
target_link_libraries(morvane_app PUBLIC glfw opengl32 gdi32 user32 shell32 ole32 uuid winmm)
