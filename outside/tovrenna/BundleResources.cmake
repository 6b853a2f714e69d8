# Build helpers for bundles: zip resource files, and embed the archive in a plug-in's "US_RESOURCES"
# section, where the framework looks for the bundle's manifest.

# Zips each file of SOURCES as the member at the same place in MEMBERS (deflate, fixed time stamps).
function(tovrenna_zip_resources output)
  cmake_parse_arguments(arg "" "" "SOURCES;MEMBERS" ${ARGN})
  set(staging ${output}.files)
  set(copies)
  foreach(source member IN ZIP_LISTS arg_SOURCES arg_MEMBERS)
    get_filename_component(folder ${staging}/${member} DIRECTORY)
    list(APPEND copies
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${staging}/${member})
  endforeach()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${staging} ${output}
    ${copies}
    COMMAND ${CMAKE_COMMAND} -E chdir ${staging}
            ${CMAKE_COMMAND} -E tar cf ${output} --format=zip --mtime=2000-01-01 -- ${arg_MEMBERS}
    DEPENDS ${arg_SOURCES}
    VERBATIM)
endfunction()

# Embeds the archive in the target's "US_RESOURCES" section, which is not loaded with the plug-in.
function(tovrenna_embed_resources target archive)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  file(CONFIGURE OUTPUT ${source} @ONLY CONTENT [[
// Generated: the bundle's resource archive.
asm(".pushsection US_RESOURCES,\"\",@progbits\n"
    ".incbin \"@archive@\"\n"
    ".popsection\n");
]])
  set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS ${archive})
  target_sources(${target} PRIVATE ${source} ${archive})
endfunction()
