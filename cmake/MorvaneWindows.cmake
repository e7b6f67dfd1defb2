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
target_link_libraries(morvane_app PUBLIC glfw gdi32 user32 shell32 ole32 uuid)

# Windows looks for a DLL that is not one of its KnownDLLs in the program's
# folder before System32, for imports and LoadLibrary alike. The program
# imports KnownDLLs only; these are delay-loaded, once WinMain has limited
# the search to System32 (shell/main_win32.cpp). kDelayedDlls lists the
# descriptors that WinMain binds at once, where the linker leaves the image's
# delay-import directory empty (GNU ld).
set(MORVANE_DELAY_LOADED opengl32 dsound winmm dwmapi)
set(delay_dir ${PROJECT_BINARY_DIR}/delayimp)
set(descriptors "")
if(MSVC)
  target_link_libraries(morvane_app PUBLIC ${MORVANE_DELAY_LOADED} delayimp)
  foreach(module IN LISTS MORVANE_DELAY_LOADED)
    target_link_options(morvane_app INTERFACE /DELAYLOAD:${module}.dll)
  endforeach()
else()
  # A delay-import library of every export that the toolchain's import
  # library names, made by dlltool.
  file(MAKE_DIRECTORY ${delay_dir})
  foreach(module IN LISTS MORVANE_DELAY_LOADED)
    find_library(import_${module} NAMES ${module} REQUIRED)
    execute_process(COMMAND ${CMAKE_NM} -g ${import_${module}} OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@]+" exports "${symbols}")
    list(TRANSFORM exports REPLACE "^I __imp_" "")
    list(JOIN exports "\n" exports)
    # Made again only when the exports change: a new library would relink the
    # program, and a relinked Morvane.scr differs (its header's time stamp)
    # from the one an installer already holds.
    file(CONFIGURE OUTPUT ${delay_dir}/${module}.def
         CONTENT "LIBRARY ${module}.dll\nEXPORTS\n${exports}\n" @ONLY)
    if(NOT EXISTS ${delay_dir}/lib${module}-delay.a OR
       ${delay_dir}/${module}.def IS_NEWER_THAN ${delay_dir}/lib${module}-delay.a)
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${module}.def --dllname ${module}.dll
                      --output-delaylib lib${module}-delay.a
                      WORKING_DIRECTORY ${delay_dir} COMMAND_ERROR_IS_FATAL ANY)
    endif()
    target_link_libraries(morvane_app PUBLIC ${delay_dir}/lib${module}-delay.a)
    # dlltool names the descriptor after the library's file as given.
    list(APPEND descriptors __DELAY_IMPORT_DESCRIPTOR_lib${module}_delay_a)
  endforeach()
endif()
list(TRANSFORM descriptors PREPEND "extern \"C\" const ImgDelayDescr " OUTPUT_VARIABLE declared)
list(TRANSFORM descriptors PREPEND "&" OUTPUT_VARIABLE listed)
list(APPEND declared "")
list(APPEND listed nullptr)
list(JOIN declared ";\n" declared)
list(JOIN listed ", " listed)
file(CONFIGURE OUTPUT ${delay_dir}/DelayedDlls.cpp CONTENT [[
// Made by cmake/MorvaneWindows.cmake.
#include <windows.h>
#include <delayimp.h>

${declared}
extern const ImgDelayDescr* const kDelayedDlls[] = {${listed}};
]])
target_sources(morvane_app PRIVATE ${delay_dir}/DelayedDlls.cpp)
