# Checks that the source folders stand on each other in one direction: the shared base and
# the platform stand-ins, then game data, saved games and map data, then settings and the renderer, then
# the programs. A quoted include of another top-level folder must name one this folder may
# use; anything else is reported with the file and the line.
#
# Run as: cmake -DSOURCE_DIR=<project root> -P check_layers.cmake

set(allowed_base "")
set(allowed_platform "")
set(allowed_game base platform)
set(allowed_map base platform)
set(allowed_savegame base platform)
set(allowed_settings base platform game map savegame)
set(allowed_render base platform game map savegame)
set(allowed_app base platform game map savegame settings render)
set(allowed_saver base platform game map savegame settings render app)
set(folders base platform game map savegame settings render app saver)

set(violations "")
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z_]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([a-z_]+)/.*$" "\\1" used "${line}")
            if(used STREQUAL folder)
                continue()
            endif()
            list(FIND allowed_${folder} "${used}" position)
            list(FIND folders "${used}" known)
            if(position EQUAL -1 AND NOT known EQUAL -1)
                file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
                string(APPEND violations "\n  ${shown}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

# Inside savegame/, the reader of Java's object streams knows nothing of TripleA: it includes
# no other file of its folder.
file(GLOB stream_reader "${SOURCE_DIR}/savegame/javastream.*")
foreach(source IN LISTS stream_reader)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"savegame/")
    foreach(line IN LISTS includes)
        if(NOT line MATCHES "savegame/javastream\\.h")
            file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
            string(APPEND violations "\n  ${shown}: ${line}")
        endif()
    endforeach()
endforeach()

if(violations)
    message(FATAL_ERROR "Includes against the layering (a folder may use only the ones below it):${violations}")
endif()
message(STATUS "Layering holds for: ${folders}")
