#!/bin/sh
# The Windows library under wine against the Linux one: both report on the
# same signal file (see platform_outputs.cpp) and the reports must be equal.
# usage: compare_platform_outputs.sh LINUX_PROGRAM LINUX_PLUGIN WINDOWS_PROGRAM WINDOWS_PLUGIN
#                                    FOLDER [--vary]
set -eu
linux_program=$1 linux_plugin=$2 windows_program=$3 windows_plugin=$4 folder=$5
shift 5
mkdir -p "$folder"
for file in "$linux_program" "$linux_plugin"; do
    [ -e "$file" ] || { echo "missing $file: build the Linux tree first (./run build)" >&2; exit 1; }
done
"$linux_program" signals "$folder/signals.raw"
"$linux_program" report "$linux_plugin" "$folder/signals.raw" "$folder/linux.txt" "$@"
wine "$windows_program" report "Z:$windows_plugin" "$folder/signals.raw" "$folder/windows.txt" "$@"
echo "$(grep -vc path "$folder/linux.txt") events, sample digests: $(grep path "$folder/linux.txt" | xargs)"
diff "$folder/linux.txt" "$folder/windows.txt" | head -20
cmp -s "$folder/linux.txt" "$folder/windows.txt"
