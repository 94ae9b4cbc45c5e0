#!/usr/bin/env bash
# Builds the two Windows programs and packs them: a setup and a portable zip for each.
#
#   bash scripts/package.sh
#
# Makes, with the version of src/resources/version.h:
#   dist/dialtick-<version>-setup-x64.exe, dist/dialtick-<version>-setup-x86.exe   (NSIS)
#   dist/dialtick-<version>-portable-x64.zip, dist/dialtick-<version>-portable-x86.zip
# Each carries the program, the user guide as HTML (from docs/guide.md) and ReadMe.txt.
# Exits with 3 after making the zips when NSIS cannot be installed here.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

# ---- what packaging needs (Debian, as root or sudo) ----
# One at a time, so that a platform without nsis still gets the guide's converter.
for p in python3-markdown nsis; do
  bash scripts/deps.sh "$p" || echo "package.sh: could not install $p" >&2
done
# Debian's module belongs to Debian's interpreter, which need not be the first python3 on PATH.
md_python=""
for py in python3 /usr/bin/python3; do
  if "$py" -c "import markdown" 2>/dev/null; then md_python="$py"; break; fi
done
[ -n "$md_python" ] ||
  { echo "package.sh: python3-markdown is missing; the guide cannot be converted" >&2; exit 1; }

bash scripts/build.sh windows >/dev/null

# ---- the version, declared once ----
define() { sed -n "s/^#define $1 \\([0-9][0-9]*\\)\$/\\1/p" src/resources/version.h; }
major="$(define DT_VERSION_MAJOR)"
minor="$(define DT_VERSION_MINOR)"
build="$(define DT_VERSION_BUILD)"
if [ -z "$major" ] || [ -z "$minor" ] || [ -z "$build" ]; then
  echo "package.sh: no version numbers found in src/resources/version.h" >&2
  exit 1
fi
version="$major.$minor.$build"
publisher="$(sed -n 's/.*VALUE "CompanyName", "\(.*\)".*/\1/p' src/resources/dialtick.rc)"
[ -n "$publisher" ] || { echo "package.sh: no CompanyName in dialtick.rc" >&2; exit 1; }

# ---- the payload: program, guide, read-me ----
work="$root/build/package"
rm -rf "$work"
mkdir -p "$work/common/guide" dist
"$md_python" scripts/guide_html.py docs/guide.md "$work/common/Guide.html" --version "$version"
cp docs/guide/*.png "$work/common/guide/"
# Windows line ends, so that Notepad of any age shows the lines.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' installer/ReadMe.txt >"$work/common/ReadMe.txt"

payload() {  # arch exe-dir
  local dir="$work/$1"
  mkdir -p "$dir"
  cp -r "$work/common/." "$dir/"
  cp "dist/$2/dialtick.exe" "$dir/"
}
payload x64 win64
payload x86 win32

# The file list of the setup and the uninstaller, made from the payload itself.
python3 - "$work" <<'EOF'
import sys
from pathlib import Path
work = Path(sys.argv[1])
for arch in ("x64", "x86"):
    root = work / arch
    files = sorted(p.relative_to(root) for p in root.rglob("*") if p.is_file())
    dirs = sorted({p.parent for p in files if p.parent != Path(".")}, reverse=True)
    win = lambda p: str(p).replace("/", "\\")
    lines = ["; Made by scripts/package.sh: the files of this payload.", "!macro DT_INSTALL_FILES"]
    lines += [f'  CreateDirectory "$INSTDIR\\{win(d)}"' for d in sorted(dirs)]
    lines += [f'  File "/oname={win(f)}" "${{PAYLOAD}}\\{win(f)}"' for f in files]
    lines += ["!macroend", "!macro DT_REMOVE_FILES"]
    # The program itself is removed first, by the uninstaller's own step.
    lines += [f'  Delete "$INSTDIR\\{win(f)}"' for f in files if str(f) != "dialtick.exe"]
    lines += [f'  RMDir "$INSTDIR\\{win(d)}"' for d in dirs]
    lines += ["!macroend", ""]
    (root / "payload.nsh").write_text("\n".join(lines))
EOF

# ---- portable zips ----
for arch in x64 x86; do
  zip="dist/dialtick-$version-portable-$arch.zip"
  python3 - "$work/$arch" "$zip" <<'EOF'
import sys, zipfile
from pathlib import Path
source, target = Path(sys.argv[1]), Path(sys.argv[2])
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for p in sorted(source.rglob("*")):
        if p.is_file() and p.name != "payload.nsh":
            z.write(p, "Dialtick/" + p.relative_to(source).as_posix())
EOF
done

# ---- setups ----
if ! command -v makensis >/dev/null; then
  echo "package.sh: NSIS (makensis) cannot be installed on this platform; the setups are not built" >&2
  ls -l dist/dialtick-"$version"-portable-*.zip
  exit 3
fi
for arch in x64 x86; do
  makensis -V2 -DARCH="$arch" -DVERSION="$version" -DVERSION_MAJOR="$major" \
    -DVERSION_MINOR="$minor" -DVERSION_BUILD="$build" -DPUBLISHER="$publisher" \
    -DICON="$root/src/resources/dialtick.ico" \
    -DPAYLOAD="$work/$arch" -DOUTFILE="$root/dist/dialtick-$version-setup-$arch.exe" \
    installer/dialtick.nsi
done
ls -l dist/dialtick-"$version"-*
