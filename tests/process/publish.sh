#!/bin/sh
# gorubadon-story publish as a writer runs it: installed into a DESTDIR with a web engine beside it,
# on a PATH with no compiler, from an unrelated folder. A story publishes to a folder whose
# templates are filled and whose worker names every other file by its bytes; a story with an
# error, a picture no page shows or a folder publish did not write is refused, leaving nothing;
# findings are printed and the page still written; an earlier folder is replaced whole; --serve
# shows the folder on 127.0.0.1 until told to stop.
# Usage: publish.sh BUILD_DIR SERVES [WEB_ENGINE]   SERVES: yes, or no for a build with no server;
# WEB_ENGINE: a real engine folder from make web, else a stand-in
build=$1 serves=$2
source=$(cd "$(dirname "$0")/../.." && pwd)
data=$source/data
. "$(dirname "$0")/common.sh"

engine=$(web_engine "${3:-}")
prefix="/opt/my games"
dest=$work/dest
GORUBADON_WEB_ENGINE=$engine DESTDIR=$dest cmake --install "$build" --prefix "$prefix" >/dev/null
tool=$dest$prefix/games/gorubadon-story
[ "$(ls "$dest$prefix/share/games/gorubadon/web")" = "$(ls "$engine")" ] || fail "installed engine"

mkdir "$work/bin" "$work/cwd" "$work/stories" "$work/site"
! PATH=$work/bin command -v emcc >/dev/null || fail "a compiler on the test's PATH"
publish() { (cd "$work/cwd" && PATH=$work/bin "$tool" publish "$@") >"$work/out" 2>&1; }
story() {
    file=$work/stories/$1.story
    shift
    printf '%s\n' "$@" >"$file"
}
cp "$data/images/icon-64.png" "$work/stories/small.png"
cp "$data/images/icon.bmp" "$work/stories/icon.bmp"
story plain "== a" "やあ。" "[end]"
story broken "title: Broken" "== a" "Hi." "* Go -> nowhere" "* Stay -> a"
story small "title: Tom & \"Jerry's\" <b>\\" "picture: small.png" "== a" "Hi." "[end]"
story bitmap "picture: icon.bmp" "== a" "Hi." "[end]"
ferry=$source/examples/ferry/ferry.story

# The folder's files, sorted, each with its own sha256: what the worker's version is made of.
version() {
    for f in "$1"/*; do
        [ "${f##*/}" = sw.js ] || echo "${f##*/} $(sha256sum <"$f" | cut -d' ' -f1)"
    done | sha256sum | cut -c1-16
}
names() { ls "$1" | grep -vx sw.js | sed "s/.*/'&'/" | paste -sd, | sed 's/,/, /g'; }
# The page's folder holds the engine's files, the story, its picture and the cut font, and no
# placeholder: every template is filled.
check_folder() {
    dir=$1 picture=$2
    want=$( (ls "$engine"; printf 'story.txt\nfont.ttf\n%s\n' "$picture") | sort)
    [ "$(ls "$dir")" = "$want" ] || fail "$dir holds: $(ls "$dir")"
    ! grep -l '@[A-Z_][A-Z_]*@' "$dir/index.html" "$dir/manifest.webmanifest" "$dir/sw.js" || fail "a placeholder left"
    grep -qxF "const version = '$(version "$dir")';" "$dir/sw.js" || fail "worker version: $(cat "$dir/sw.js")"
    grep -qxF "const files = [$(names "$dir")];" "$dir/sw.js" || fail "worker files: $(cat "$dir/sw.js")"
    [ "$(stat -c %s "$dir/font.ttf")" -lt $(($(stat -L -c %s "$data/fonts/aqua2_8/aquafont.ttf") / 10)) ] ||
        fail "the font is not cut"
    for f in "$engine"/*; do
        case ${f##*/} in index.html | manifest.webmanifest | sw.js) continue ;; esac
        cmp -s "$f" "$dir/${f##*/}" || fail "${f##*/} is not the engine's"
    done
}
# Nothing in the site's folder but what is named: no half-written or hidden folder stays.
site_holds() { [ "$(ls -A "$work/site" | paste -sd" ")" = "$*" ] || fail "the site's folder holds: $(ls -A "$work/site")"; }

# The ferry, from a relative path and into a new folder.
cp "$ferry" "$work/cwd/ferry.story"
publish ferry.story ../site/ferry || fail "publish: $(cat "$work/out")"
site_holds ferry
check_folder "$work/site/ferry" picture.jpg
cmp -s "$ferry" "$work/site/ferry/story.txt" || fail "story.txt is not the story file"
cmp -s "$data/images/bg.jpg" "$work/site/ferry/picture.jpg" || fail "the ferry's picture is not the game's"
[ "$(cat "$work/out")" = "published in $work/site/ferry: serve the folder over HTTP from any path (a page opened as a file does not play), or see it here with --serve" ] ||
    fail "said: $(cat "$work/out")"
if [ "$engine" = "$work/engine" ]; then
    [ "$(head -n 2 "$work/site/ferry/index.html")" = '<title>The Ferry</title>
<p data-look="story" data-store="" lang="">picture.jpg 320x240 a@b @@' ] || fail "index.html: $(cat "$work/site/ferry/index.html")"
    grep -qF "<!-- $work -->" "$work/site/ferry/index.html" || fail "not the installed engine's page"
    grep -qxF '{"name": "The Ferry", "short_name": "The Ferry"}' "$work/site/ferry/manifest.webmanifest" ||
        fail "manifest: $(cat "$work/site/ferry/manifest.webmanifest")"
fi

# Refusals leave the site as it was; each case: arguments, status, the output as a pattern.
cp "$ferry" "$work/site/ferry/story.story"
mkdir "$work/site/mine"
echo "the writer's own" >"$work/site/mine/notes.txt"
while IFS='|' read -r story folder want expected; do
    [ -n "$story" ] || continue
    status=0
    publish "$work/stories/$story.story" "$work/site/$folder" || status=$?
    expected=$(printf '%s' "$expected" | sed "s|@|$work|g")
    [ "$status" -eq "$want" ] || fail "$story into $folder: status $status, not $want: $(cat "$work/out")"
    # shellcheck disable=SC2254
    case $(cat "$work/out") in $expected) ;; *) fail "$story into $folder: said
$(cat "$work/out")
instead of
$expected" ;;
    esac
    site_holds ferry mine
    [ "$(ls -A "$work/site/mine")" = notes.txt ] || fail "the writer's folder was touched"
done <<'CASES'
../site/ferry/story|ferry|1|gorubadon-story: @/site/ferry: holds @/stories/../site/ferry/story.story, which publishing into it would remove; name another folder
broken|new|1|@/stories/broken.story:4:9: no section named "nowhere"
bitmap|new|1|*is 32x32; the window is 320x240?gorubadon-story: @/stories/icon.bmp: is neither a JPEG nor a PNG picture, the two a page is published with
plain|mine|1|gorubadon-story: @/site/mine: is there and is not a folder publish wrote (it has no story.txt and sw.js); name a new folder, or remove this one first
CASES

# A command line publish cannot read is its usage, and writes nothing.
for args in "$ferry" "$ferry $work/site/a $work/site/b" "$ferry $work/site/a --fast" "$ferry --serve"; do
    status=0
    # shellcheck disable=SC2086 # the arguments are split on purpose
    publish $args || status=$?
    [ "$status" -eq 2 ] && grep -q "publish FILE DIR \[--serve\] \[--game\]" "$work/out" ||
        fail "publish $args: status $status: $(cat "$work/out")"
    site_holds ferry mine
done

# A finding is printed and the page written anyway, with the story's own picture and an escaped
# title; a folder publish wrote is replaced whole, with nothing of the old one left.
touch "$work/site/ferry/left-over.txt"
publish "$work/stories/small.story" "$work/site/ferry/" || fail "publish with a finding: $(cat "$work/out")"
grep -q "small.png is 64x64; the window is 320x240" "$work/out" || fail "no finding: $(cat "$work/out")"
tail -n 1 "$work/out" | grep -q "^published in $work/site/ferry with the 1 finding above: " ||
    fail "said: $(cat "$work/out")"
site_holds ferry mine
check_folder "$work/site/ferry" picture.png
cmp -s "$work/stories/small.png" "$work/site/ferry/picture.png" || fail "the story's picture"
if [ "$engine" = "$work/engine" ]; then
    grep -qxF '<title>Tom &amp; &quot;Jerry&#39;s&quot; &lt;b&gt;\</title>' "$work/site/ferry/index.html" ||
        fail "title in HTML: $(head -n 1 "$work/site/ferry/index.html")"
    grep -qxF '{"name": "Tom & \"Jerry'"'"'s\" <b>\\", "short_name": "Tom & \"Jerry'"'"'s\" <b>\\"}' \
        "$work/site/ferry/manifest.webmanifest" || fail "title in JSON: $(cat "$work/site/ferry/manifest.webmanifest")"
fi

# No title: the file's name. As the game: the game's look and record.
publish "$work/stories/plain.story" "$work/site/game" --game || fail "publish --game: $(cat "$work/out")"
check_folder "$work/site/game" picture.jpg
if [ "$engine" = "$work/engine" ]; then
    grep -qxF '<title>plain</title>' "$work/site/game/index.html" || fail "untitled: $(cat "$work/site/game/index.html")"
    grep -qF 'data-look="game" data-store="gorubadon" lang="ja"' "$work/site/game/index.html" || fail "--game: $(cat "$work/site/game/index.html")"
fi

# --serve: the folder on 127.0.0.1 with the types a browser needs, until a TERM; a build with no
# server says so once the folder is written.
if [ "$serves" = no ]; then
    status=0
    publish "$ferry" "$work/site/served" --serve || status=$?
    [ "$status" -eq 1 ] && [ "$(tail -n 1 "$work/out")" = \
        "gorubadon-story: this build cannot serve a folder; serve it with any web server" ] ||
        fail "--serve without a server: status $status: $(cat "$work/out")"
    check_folder "$work/site/served" picture.jpg
    echo ok
    exit 0
fi
(cd "$work/cwd" && PATH=$work/bin exec "$tool" publish "$ferry" "$work/site/served" --serve) >"$work/serve.out" 2>&1 &
pid=$!
wait_until "serving line" grep -q '^serving it at http://127\.0\.0\.1:[0-9]*/ until interrupted$' "$work/serve.out"
url=$(sed -n 's|^serving it at \(http://[^ ]*\) .*|\1|p' "$work/serve.out")
python3 - "$url" <<'EOF' || fail "served files"
import sys, urllib.request
for path, want in [("", "text/html; charset=utf-8"), ("gorubadon.wasm", "application/wasm"),
                   ("story.txt", "text/plain; charset=utf-8"), ("font.ttf", "font/ttf")]:
    with urllib.request.urlopen(sys.argv[1] + path) as answer:
        got = answer.headers["Content-Type"]
        if answer.status != 200 or got != want:
            sys.exit(f"{path}: {answer.status} {got}")
EOF
kill -TERM "$pid"
expect_exit 0 "--serve once stopped"
check_folder "$work/site/served" picture.jpg
echo ok
