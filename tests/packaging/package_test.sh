#!/usr/bin/env bash
# package_test.sh BUILD_DIR: makes the .deb with CPack in a scratch folder,
# unpacks it with dpkg-deb -x and checks that it holds the program, the
# tool, both manuals, the desktop entry, the MIME type, the icons and the
# metainfo, that its dependencies were worked out, that the MIME type
# registers (and names the files a file manager would open with Corvane)
# and that the unpacked corvane-tool runs.
set -euo pipefail
build=$(cd "$1" && pwd)
app=io.github.corvane.Corvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB failed"
fi
debs=("$work"/out/corvane_*.deb)
[ -f "${debs[0]}" ] || fail "no corvane_*.deb in the CPack output: $(ls "$work/out")"
deb=${debs[0]}
echo "package: $(basename "$deb") ($(du -h "$deb" | cut -f1))"

root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
expected=(
  usr/bin/corvane
  usr/bin/corvane-tool
  "usr/share/corvane/Corvane用户手册V1.0.0.1.pdf"
  usr/share/corvane/CorvaneUserManualV1.0.0.1.pdf
  "usr/share/applications/$app.desktop"
  "usr/share/metainfo/$app.metainfo.xml"
  "usr/share/mime/packages/$app.xml"
  "usr/share/icons/hicolor/scalable/apps/$app.svg"
)
for size in 16 22 24 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app.png"); done
for f in "${expected[@]}"; do
  [ -s "$root/$f" ] || fail "$f is not in the package"
done
[ -x "$root/usr/bin/corvane" ] || fail "usr/bin/corvane is not executable"
# Only what users need: no headers, static libraries, tests or build tools.
extra=$(cd "$root" && find . -type f | sed 's|^\./||' | grep -v -e '^usr/bin/corvane\(-tool\)\?$' -e '^usr/share/' || true)
[ -z "$extra" ] || fail "unexpected files in the package: $extra"
# A PNG of the size its folder says.
file "$share/icons/hicolor/48x48/apps/$app.png" | grep -q 'PNG image data, 48 x 48' || fail "the 48x48 icon is not a 48 x 48 PNG"

# dpkg-shlibdeps named the Qt and libyuv libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6svg6 libyuv0 libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# The MIME types register: *.yuv names video/x-raw-yuv, *.y4m
# video/x-yuv4mpeg, and the desktop entry opens both.
update-mime-database "$share/mime"
grep -q '^50:video/x-raw-yuv:\*\.yuv$' "$share/mime/globs2" || fail "*.yuv does not register as video/x-raw-yuv"
grep -q '^50:video/x-yuv4mpeg:\*\.y4m$' "$share/mime/globs2" || fail "*.y4m does not register as video/x-yuv4mpeg"
# It also opens the common coded types (so Corvane is under "Open with"),
# and sets itself as no type's default: no mimeapps.list, no defaults.list
# (the file list above holds none).
coded="video/mp4;video/x-matroska;video/webm;video/quicktime;video/mp2t;video/mpeg;video/x-ivf;video/h264;video/h265;"
grep -q "^MimeType=video/x-raw-yuv;video/x-yuv4mpeg;$coded\$" "$share/applications/$app.desktop" ||
  fail "the desktop entry does not open the raw, Y4M and coded types"
# As a file manager sees files (xdg-mime through GLib's shared-mime-info,
# the package's database before the system's): raw frames named *.rgb are
# raw video, an SGI image named *.rgb (its header: magic 474, storage,
# bytes per channel) stays an image; a Y4M file is one by its name and, named
# anything else, by its signature.
head -c 6144 /dev/urandom > "$work/frames.rgb"
printf '\000\000' | dd of="$work/frames.rgb" bs=1 count=2 conv=notrunc status=none  # not SGI's magic
cp "$work/frames.rgb" "$work/frames.yuv"
{ printf '\001\332\000\001\000\003\000\100\000\100\000\003'; head -c 500 /dev/zero; } > "$work/image.rgb"
{ printf 'YUV4MPEG2 W16 H16 F30000:1001 Ip A1:1 C420jpeg\nFRAME\n'; head -c 384 /dev/zero; } > "$work/clip.y4m"
cp "$work/clip.y4m" "$work/clip"
# The coded types the system's database lacks: IVF by its signature too.
{ printf 'DKIF\000\000\040\000AV01'; head -c 200 /dev/zero; } > "$work/stream.ivf"
cp "$work/stream.ivf" "$work/stream"
printf '\000\000\000\001\147\144' > "$work/stream.264"
printf '\000\000\000\001\100\001' > "$work/stream.hevc"
for pair in frames.rgb:video/x-raw-yuv frames.yuv:video/x-raw-yuv image.rgb:image/x-rgb \
            clip.y4m:video/x-yuv4mpeg clip:video/x-yuv4mpeg stream.ivf:video/x-ivf stream:video/x-ivf \
            stream.264:video/h264 stream.hevc:video/h265; do
  file=${pair%%:*} want=${pair#*:}
  got=$(XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME="$work/nohome" XDG_DATA_DIRS="$share:/usr/share" \
        xdg-mime query filetype "$work/$file" 2>/dev/null)
  [ "$got" = "$want" ] || fail "xdg-mime query filetype $file gave '$got', not $want"
done
desktop-file-validate "$share/applications/$app.desktop"

help=$("$root/usr/bin/corvane-tool" --help)
grep -q 'corvane-tool' <<<"$help" || fail "corvane-tool --help printed: $help"
echo "package holds ${#expected[@]} files as expected; corvane-tool --help runs"
