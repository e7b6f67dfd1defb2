# Embeds the TEXTFILE, WAVE and BITMAP resources named in a resource script
# into a static library, for platforms without Win32 resources. Only the
# script's one-line statements of those three types (ID TYPE "file") are
# read; the rest (icons, the manifest, the version and string tables) is
# the Windows resource compiler's alone. The bytes go
# in with the assembler's .incbin (fast even for 12 MB pictures); a generated
# table maps (type, id) to them. A BITMAP file's 14-byte file header is left
# out, as windres does, so the stored bytes begin with the BITMAPINFOHEADER.
#
#   morvane_embed_resources(TARGET name SCRIPT file.rc
#                           SEARCH dir... DEPENDS generated-file...)
function(morvane_embed_resources)
  cmake_parse_arguments(ARG "" "TARGET;SCRIPT" "SEARCH;DEPENDS" ${ARGN})
  file(STRINGS "${ARG_SCRIPT}" lines)
  set(asm "# Generated from ${ARG_SCRIPT}; do not edit.\n\t.section .rodata\n")
  set(decls "")
  set(rows "")
  set(files "")
  set(count 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([0-9]+)[ \t]+(TEXTFILE|WAVE|BITMAP)[ \t]+\"([^\"]+)\"")
      set(id "${CMAKE_MATCH_1}")
      set(type "${CMAKE_MATCH_2}")
      set(name "${CMAKE_MATCH_3}")
      set(path "")
      foreach(dir IN LISTS ARG_SEARCH)
        if(path STREQUAL "" AND EXISTS "${dir}/${name}")
          set(path "${dir}/${name}")
        endif()
      endforeach()
      if(path STREQUAL "")
        # Not made yet: a generated asset, written into the last search dir.
        list(GET ARG_SEARCH -1 last)
        set(path "${last}/${name}")
      endif()
      list(APPEND files "${path}")
      set(skip "")
      if(type STREQUAL "BITMAP")
        set(skip ", 14")
      endif()
      set(sym "morvane_resource_${type}_${id}")
      string(APPEND asm "\t.balign 16\n\t.globl ${sym}_begin\n\t.globl ${sym}_end\n"
                        "${sym}_begin:\n\t.incbin \"${path}\"${skip}\n${sym}_end:\n\t.byte 0\n")
      string(APPEND decls "extern const unsigned char ${sym}_begin[];\nextern const unsigned char ${sym}_end[];\n")
      string(APPEND rows "    {\"${type}\", ${id}, ${sym}_begin, ${sym}_end},\n")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
  string(APPEND asm "\t.section .note.GNU-stack,\"\",@progbits\n")

  set(out "${CMAKE_CURRENT_BINARY_DIR}/${ARG_TARGET}")
  file(WRITE "${out}/EmbeddedResources.S.in" "${asm}")
  configure_file("${out}/EmbeddedResources.S.in" "${out}/EmbeddedResources.S" COPYONLY)
  file(WRITE "${out}/EmbeddedResources.cpp.in"
    "// Generated from ${ARG_SCRIPT}; do not edit.\n#include <cstdint>\n\n"
    "struct EmbeddedResourceEntry {\n  const char* type;\n  std::uint16_t id;\n"
    "  const unsigned char* begin;\n  const unsigned char* end;\n};\n\n"
    "extern \"C\" {\n${decls}}\n\n"
    "extern const EmbeddedResourceEntry kEmbeddedResources[] = {\n${rows}};\n"
    "extern const int kEmbeddedResourceCount = ${count};\n")
  configure_file("${out}/EmbeddedResources.cpp.in" "${out}/EmbeddedResources.cpp" COPYONLY)

  add_library(${ARG_TARGET} STATIC "${out}/EmbeddedResources.S" "${out}/EmbeddedResources.cpp")
  set_source_files_properties("${out}/EmbeddedResources.S" PROPERTIES
    OBJECT_DEPENDS "${files};${ARG_SCRIPT}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ARG_SCRIPT}")
endfunction()
