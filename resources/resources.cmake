# Compiled-in resources: ":/<type>/<name>", for example ":/SOUND/BEEP" and ":/CUSTOM/LENS".
# The files are made by resources/generators and committed; the build only reads them.
set(TESSARO_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

file(GLOB TESSARO_SOUNDS CONFIGURE_DEPENDS ${TESSARO_RESOURCE_DIR}/sounds/*.wav)
file(GLOB TESSARO_IMAGES CONFIGURE_DEPENDS ${TESSARO_RESOURCE_DIR}/images/*.png)
set(TESSARO_RESOURCE_FILES "")
foreach(file ${TESSARO_SOUNDS})
    get_filename_component(name ${file} NAME_WE)
    set_source_files_properties(${file} PROPERTIES QT_RESOURCE_ALIAS "SOUND/${name}")
    list(APPEND TESSARO_RESOURCE_FILES ${file})
endforeach()
foreach(file ${TESSARO_IMAGES})
    get_filename_component(name ${file} NAME_WE)
    set_source_files_properties(${file} PROPERTIES QT_RESOURCE_ALIAS "CUSTOM/${name}")
    list(APPEND TESSARO_RESOURCE_FILES ${file})
endforeach()
if(TESSARO_RESOURCE_FILES)
    qt_add_resources(tessaro_platform tessaro_resources PREFIX "/" BASE ${TESSARO_RESOURCE_DIR}
        FILES ${TESSARO_RESOURCE_FILES})
endif()

# The private font and the help file lie beside the program (build/tessaro). They are copied again
# whenever they change, also when nothing needs relinking.
set(TESSARO_BESIDE_PROGRAM "")
foreach(file "${TESSARO_RESOURCE_DIR}/fonts/TessaroGlyphs.ttf" "${TESSARO_RESOURCE_DIR}/help/Tessaro Help.html")
    if(EXISTS "${file}")
        list(APPEND TESSARO_BESIDE_PROGRAM "${file}")
    endif()
endforeach()
if(TESSARO_BESIDE_PROGRAM)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/beside_program.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TESSARO_BESIDE_PROGRAM} ${CMAKE_BINARY_DIR}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${TESSARO_BESIDE_PROGRAM}
        COMMENT "Copying the font and the help file beside the program"
        VERBATIM)
    add_custom_target(tessaro_beside_program DEPENDS ${stamp})
    add_dependencies(tessaro_platform tessaro_beside_program)
endif()
