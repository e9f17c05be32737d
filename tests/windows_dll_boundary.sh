#!/bin/sh
# A Windows plug-in exports exactly its two entry names and imports only
# libraries every Windows system has: the runtime is linked in.
# usage: windows_dll_boundary.sh DLL
set -eu
table=$(x86_64-w64-mingw32-objdump -p "$1")
exports=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          awk '/^[[:space:]]+\[ *[0-9]+\]/ {print $NF}' | sort | xargs)
imports=$(echo "$table" | awk '/DLL Name:/ {print toupper($3)}' | sort -u | xargs)
echo "exports: $exports"
echo "imports: $imports"
[ "$exports" = "VSTPluginMain main" ]
for dll in $imports; do
    case "$dll" in
        KERNEL32.DLL | USER32.DLL | GDI32.DLL | MSVCRT.DLL | API-MS-WIN-CRT-*.DLL) ;;
        *) echo "imports $dll" >&2; exit 1 ;;
    esac
done
