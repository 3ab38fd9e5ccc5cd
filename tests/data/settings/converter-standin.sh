#!/bin/sh
# Stands in for the Java runtime that runs the save-game converter: writes the arguments it
# was started with, itself first, each ended by a NUL byte, to the last of them (the
# converter's output path), all at once.
for output; do :; done
printf '%s\0' "$0" "$@" > "$output.part" && mv -f "$output.part" "$output"
