# The folder that every test of one ctest run makes its temporary files in (TMPDIR).
#   MODE=start: makes the folder anew, empty.
#   MODE=check: fails, naming each entry, when a test left anything in it; then empties it.
#
# Run as: cmake -DFOLDER=<folder> -DMODE=start|check -P scratch.cmake

if(MODE STREQUAL "start")
    file(REMOVE_RECURSE "${FOLDER}")
    file(MAKE_DIRECTORY "${FOLDER}")
    return()
endif()

file(GLOB left LIST_DIRECTORIES true "${FOLDER}/*" "${FOLDER}/.*")
# Qt makes its runtime folder (runtime-<user>) here when the session names none; it is
# Qt's own and shared by the whole run, not something a test forgot.
list(FILTER left EXCLUDE REGEX "/runtime-[^/]*$")
if(left)
    list(JOIN left "\n  " shown)
    file(REMOVE_RECURSE ${left})
    message(FATAL_ERROR "The tests left these behind in their temporary folder:\n  ${shown}")
endif()
message(STATUS "The tests left their temporary folder ${FOLDER} empty")
