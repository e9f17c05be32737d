#!/usr/bin/env bash
# fetch_kissfft_source.sh FOLDER: unpacks Debian's source of the kissfft
# release the system's libkissfft-dev is (so both platforms compile the very
# code Debian ships) into FOLDER/kissfft-VERSION, unless it is there, and
# prints that path. It is fetched with a private package list: the system's
# lists stay as they are.
set -euo pipefail
folder=$(realpath -m "$1")
package=$(dpkg-query -W -f='${source:Package}' libkissfft-dev)
version=$(dpkg-query -W -f='${source:Version}' libkissfft-dev)
dest="$folder/kissfft-$version"
if [ ! -f "$dest/kiss_fftr.c" ]; then
    apt_dir="$folder/apt-source"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    . /etc/os-release
    echo "deb-src http://deb.debian.org/debian $VERSION_CODENAME main" > "$apt_dir/sources.list"
    options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=-
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
             -o "APT::Sandbox::User=$(id -un)")
    apt-get "${options[@]}" update -qq >&2
    (cd "$apt_dir" && apt-get "${options[@]}" source --download-only -qq "$package=$version" >&2)
    rm -rf "$dest"
    # apt-get has checked the files against Debian's signed index.
    dpkg-source -q --no-check -x "$apt_dir/${package}_${version#*:}.dsc" "$dest" >/dev/null
fi
echo "$dest"
