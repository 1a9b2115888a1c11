#!/bin/sh
# Runs `make test` on a clean clone of HEAD inside a minimal chroot of each newer Debian release, as a
# new user there would: the project installs its own dependencies, builds and runs the whole suite.
# The bare chroots are cached; each run starts from a fresh copy (an overlay), so the dependency list
# is tried from scratch every time, while downloaded packages are kept.
# Usage (as root): test-releases.sh [RELEASE...]   (default: trixie testing)
# Cache: $GORUBADON_CHROOTS, or ~/.cache/gorubadon/releases ($XDG_CACHE_HOME respected).
set -eu
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache=${GORUBADON_CHROOTS:-${XDG_CACHE_HOME:-$HOME/.cache}/gorubadon/releases}
repo=$(git rev-parse --show-toplevel)
head=$(git -C "$repo" rev-parse HEAD)
[ "$#" -gt 0 ] || set -- trixie testing
[ "$(id -u)" -eq 0 ] || { echo "test-releases: needs root (debootstrap, mount, chroot)" >&2; exit 1; }
for tool in debootstrap chroot mount; do
    command -v "$tool" >/dev/null || { echo "test-releases: needs $tool (apt-get install debootstrap)" >&2; exit 1; }
done
mkdir -p "$cache"

mounted=""
run_dir=""
cleanup() {
    # Innermost first; lazily if a process still holds one, so nothing stays mounted.
    stuck=""
    for m in $mounted; do
        umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || stuck="$stuck $m"
    done
    mounted=""
    if [ -n "$stuck" ]; then
        # Removing the copy now would reach through the mounts into the host's /dev and /proc.
        echo "test-releases: could not unmount$stuck; $run_dir is left as it is" >&2
    elif [ -n "$run_dir" ]; then
        rm -rf --one-file-system "$run_dir"
    fi
    run_dir=""
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
mount_on() { # SOURCE TARGET [OPTIONS...]
    src=$1 target=$2
    shift 2
    mount "$@" "$src" "$target"
    mounted="$target $mounted"
}
seconds() { date +%s; }
took() { t=$(($(seconds) - $1)); printf '%dm%02ds' $((t / 60)) $((t % 60)); }

# The bare release: debootstrap's minbase and make, which a user needs to type `make test`.
bootstrap() {
    release=$1 base=$cache/$1
    [ -f "$base/.complete" ] && return 0
    rm -rf "$base.tmp"
    echo "== $release: debootstrap --variant=minbase (once; cached in $base)"
    start=$(seconds)
    debootstrap --variant=minbase "$release" "$base.tmp" "$mirror" >"$cache/$release.debootstrap.log" 2>&1 || {
        tail -n 20 "$cache/$release.debootstrap.log" >&2
        echo "test-releases: debootstrap $release failed (log: $cache/$release.debootstrap.log)" >&2
        return 1
    }
    # The mirror's testing is a snapshot whose Release file has expired; a user's mirror is current.
    [ "$release" != testing ] ||
        echo 'Acquire::Check-Valid-Until "false";' >"$base.tmp/etc/apt/apt.conf.d/99gorubadon-snapshot"
    # No services start inside a chroot.
    printf '#!/bin/sh\nexit 101\n' >"$base.tmp/usr/sbin/policy-rc.d"
    chmod 755 "$base.tmp/usr/sbin/policy-rc.d"
    chroot "$base.tmp" sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq make >/dev/null'
    chroot "$base.tmp" apt-get clean
    touch "$base.tmp/.complete"
    mv "$base.tmp" "$base"
    echo "== $release: bootstrapped in $(took "$start")"
}

test_release() {
    release=$1 base=$cache/$1
    bootstrap "$release"
    run_dir=$(mktemp -d "$cache/run-$release.XXXXXX")
    root=$run_dir/root
    mkdir -p "$run_dir/upper" "$run_dir/work" "$root" "$cache/$release-archives"
    mount_on overlay "$root" -t overlay -o "lowerdir=$base,upperdir=$run_dir/upper,workdir=$run_dir/work"
    # Downloads are kept between runs; installing them is still part of every run.
    mount_on "$cache/$release-archives" "$root/var/cache/apt/archives" --bind
    mount_on /proc "$root/proc" --bind
    mount_on /sys "$root/sys" --bind
    mount_on /dev "$root/dev" --bind
    mount_on /dev/pts "$root/dev/pts" --bind
    [ ! -d /dev/shm ] || mount_on /dev/shm "$root/dev/shm" --bind
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    git clone -q --no-hardlinks "$repo" "$root/root/gorubadon"
    git -C "$root/root/gorubadon" checkout -q --detach "$head"
    echo "== $release: make test on $(git -C "$repo" log -1 --format='%h %s' "$head")"
    log=$cache/$release-make-test.log
    start=$(seconds)
    # keep-debs: apt would otherwise empty the shared download cache after installing. Each line of
    # the log gets the seconds since the start, for the summary below.
    chroot "$root" env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin \
        TERM="${TERM:-dumb}" LANG=C.UTF-8 sh -c '
            echo "Binary::apt::APT::Keep-Downloaded-Packages \"true\";" >/etc/apt/apt.conf.d/99keep
            cd /root/gorubadon && make test; echo "$?" >/root/make-test.status' 2>&1 |
        perl -ne 'BEGIN { $| = 1; $t0 = time } printf "[%4ds] %s", time - $t0, $_' | tee "$log"
    status=$(cat "$root/root/make-test.status" 2>/dev/null || echo 1)
    # The tests' whole output, which the chroot takes with it.
    rm -rf "$cache/$release-logs" && mkdir "$cache/$release-logs"
    for f in "$root"/root/gorubadon/build*/ctest-*.log; do
        [ ! -f "$f" ] || cp "$f" "$cache/$release-logs/"
    done
    # Where the dependencies were in place (the first compile step), and where the tests began.
    built=$(grep -m1 -E '^\[ *[0-9]+s\] \[ *[0-9]+%\]' "$log" | sed 's/^\[ *//; s/s\].*//') || true
    tested=$(grep -m1 -E '^\[ *[0-9]+s\] == tests on' "$log" | sed 's/^\[ *//; s/s\].*//') || true
    verdict=passed
    [ "$status" -eq 0 ] || verdict="FAILED (status $status)"
    summary="$release: make test $verdict in $(took "$start"); dependencies in place at ${built:-?} s, tests from ${tested:-?} s (log: $log, the tests' in $cache/$release-logs/)"
    cleanup
    echo "== $summary"
    results="$results
$summary"
    [ "$status" -eq 0 ] || failed=1
}

# Called plainly, not in a test: a failed bootstrap or mount stops the script (set -e), and a
# release whose tests fail is counted.
results=""
failed=0
for release in "$@"; do
    test_release "$release"
done
[ "$#" -lt 2 ] || echo "== test-releases:$results"
exit "$failed"
