# Rasterizes the scene's pictures: each art/<folder>/<name>.svg becomes
# modules/img/<folder>/<name>.png beside quillex, at the size manifest.txt lists for it, so the
# pictures are made from their vector sources on every machine and only changed ones are redone.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert not found: install librsvg2-bin (scripts/deps.sh does)")
endif()

set(art_dir ${CMAKE_CURRENT_LIST_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${art_dir}/manifest.txt)
file(STRINGS ${art_dir}/manifest.txt art_lines REGEX "^[A-Za-z]")
foreach(line IN LISTS art_lines)
    if(line MATCHES "^([A-Za-z0-9_]+/[A-Za-z0-9_]+) +([0-9]+)x([0-9]+)")
        string(MAKE_C_IDENTIFIER "${CMAKE_MATCH_1}" key)
        set(art_size_${key} -w ${CMAKE_MATCH_2} -h ${CMAKE_MATCH_3})
    endif()
endforeach()

file(GLOB art_sources CONFIGURE_DEPENDS RELATIVE ${art_dir} ${art_dir}/*/*.svg)
set(art_outputs)
foreach(rel IN LISTS art_sources)
    string(REGEX REPLACE "\\.svg$" "" picture ${rel})
    string(MAKE_C_IDENTIFIER "${picture}" key)
    set(png ${QUILLEX_BIN_DIR}/modules/img/${picture}.png)
    get_filename_component(png_dir ${png} DIRECTORY)
    # A picture missing from the manifest keeps its drawn size; the art test reports it.
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${png_dir}
        COMMAND ${RSVG_CONVERT} ${art_size_${key}} -o ${png} ${art_dir}/${rel}
        DEPENDS ${art_dir}/${rel}
        COMMENT "Rasterizing ${picture}"
        VERBATIM)
    list(APPEND art_outputs ${png})
endforeach()
add_custom_target(quillex_art ALL DEPENDS ${art_outputs})
