#!/usr/bin/env bash
# Runs every command of README.md's ```sh blocks (each marked by a `<!-- readme-walk -->`
# line) in order on a fresh copy of the tree with a private HOME, and checks its two installs
# (per user and --prefix /usr/local) as it promises them, Ardour 7 finding the plug-in.
# A few commands run in a changed form, each with its reason in `walked_form`.
# Usage: walk_readme.sh SOURCE_DIR WORK_DIR (emptied first); 77 when a tool is missing.
set -euo pipefail
source_dir=$(cd "$1" && pwd)
work=$2

missing() {
  echo "walk_readme: not installed: $1" >&2
  if [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then exit 1; fi
  exit 77
}
command -v git >/dev/null || missing "git (Debian: git)"
command -v sox >/dev/null || missing "sox (Debian: sox)"

rm -rf "$work"
mkdir -p "$work/home" "$work/shims" "$work/stage"
clone=$work/clone
log=$work/walk.log
: >"$log"

# The fresh copy: what git would commit, as in the working tree.
mkdir -p "$clone"
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -xf - -C "$clone"

# ccache with the source tree as base, so the copy reuses the suite build's objects.
if command -v ccache >/dev/null; then
  CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
  export CCACHE_DIR CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache \
    CCACHE_BASEDIR=$source_dir
fi

# A newcomer's HOME; ~/.local/bin joins PATH when the README says so.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
unset DISPLAY
cat >"$work/shims/play" <<'EOF'
#!/bin/sh
exec sox -q "$@" -n
EOF
chmod +x "$work/shims/play"
export PATH="$work/shims:$PATH"

cd "$clone"
sox -R -n -r 44100 -c 1 voice.wav synth 1.5 pinknoise fade t 0.01 1.5 0.1 norm -10
sox -R -n -r 44100 -c 1 loop.wav synth 2 pluck 220 fade t 0 2 0.2 norm -10
sox -R -n -r 44100 -c 1 in.wav synth 0.5 sine 440 norm -10
printf '0,angle,0.25\n2.5,angle,0.75\n' >moves.csv
kemar=/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa
if [ -r "$kemar" ]; then
  cp "$kemar" my-head.sofa
elif [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then
  echo "walk_readme: $kemar is missing (package libmysofa-dev)" >&2
  exit 1
fi

fail() {
  echo "walk_readme: $*" >&2
  echo "---- last output ----" >&2
  tail -n 40 "$log" >&2
  exit 1
}

after_demo() {
  local installed
  for installed in .vst/quendral.so .vst3/quendral.vst3 .lv2/quendral.lv2; do
    [ -e "$HOME/$installed" ] || fail "the main job did not install ~/$installed"
  done
  [ -x "$HOME/.local/bin/quendral-render" ] || fail "the main job did not install ~/.local/bin/quendral-render"
  [ -x build/tools/snapshot/quendral-snapshot ] || fail "the main job did not build quendral-snapshot"
  grep -q "$HOME/.local/bin is not on your PATH" "$log" || fail "the main job did not say that ~/.local/bin is not on PATH"
  local file peak
  for file in demo/*.wav; do
    peak=$(sox "$file" -n stat 2>&1 | awk '/^Maximum amplitude/ { max = $3 }
      /^Minimum amplitude/ { min = -$3 } END { print (max > min ? max : min) }')
    awk -v p="$peak" 'BEGIN { exit !(p < 0.99) }' || fail "$file peaks at $peak"
  done
  export PATH="$HOME/.local/bin:$PATH"
}
# An install: the SOFA reader beside each module, its quendral-render finding its plug-in.
check_install() {
  local root=$1 vst=$2 vst3=$3 lv2=$4 clap=$5 bin=$6 folder info
  for folder in "$vst" "$vst3/quendral.vst3/Contents/x86_64-linux" "$lv2/quendral.lv2" "$clap" "$bin"; do
    [ -x "$root/$folder/quendral-sofa-reader" ] || fail "no quendral-sofa-reader in $root/$folder"
  done
  [ -e "$root/$clap/quendral.clap" ] || fail "no $root/$clap/quendral.clap"
  info=$(HOME=$root "$root/$bin/quendral-render" --info 2>&1) || true
  grep -qF "plug-in:    $root/$vst/quendral.so" <<<"$info" ||
    fail "$root/$bin/quendral-render does not find $root/$vst/quendral.so: $info"
}
# Ardour 7 with its default folders (plus ~/.vst, as the README says) finds every format; a
# prefix install is bound on /usr/local in a private mount namespace. The scanners fill the
# cache first, which Ardour trusts only when newer than the plug-in.
ardour_finds() {
  local root=$1 seen=$2 options=${3:-} step=$work/ardour-step.sh out status kind
  [ -x /usr/bin/ardour7-lua ] || missing "ardour7-lua (Debian: ardour)"
  mkdir -p "$HOME/.config/ardour7" && rm -rf "$HOME/.cache/ardour7"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<Ardour>\n  <Config>\n%s  </Config>\n</Ardour>\n' \
    "$options" >"$HOME/.config/ardour7/config"
  touch -d '1 hour ago' "$root/$seen_vst/quendral.so" "$root/$seen_vst3/quendral.vst3"
  printf '%s\n' "export LD_LIBRARY_PATH=/usr/lib/ardour7; unset LXVST_PATH VST_PATH VST3_PATH LV2_PATH" \
    "/usr/lib/ardour7/ardour-vst-scanner '$seen/$seen_vst/quendral.so'" \
    "/usr/lib/ardour7/ardour-vst3-scanner '$seen/$seen_vst3/quendral.vst3'" \
    "unset LD_LIBRARY_PATH; exec timeout -s KILL 120 /usr/bin/ardour7-lua '$source_dir/tests/readme/find_plugin.lua' '$work/ardour-session' LXVST 1903842411 VST3 565354536B547A712B7175656E647261 LV2 urn:quillmoor:quendral" >"$step"
  for _ in 1 2 3 4 5 6 7 8; do  # Ardour's own rare deaths by a signal are run again
    rm -rf "$work/ardour-session"
    status=0
    if [ "$seen" = /usr/local ]; then
      if ! unshare --mount true 2>/dev/null; then
        echo "Ardour not run on the prefix install: no private mount namespace here" | tee -a "$log"
        return
      fi
      out=$(unshare --mount --propagation private sh -c 'mount --bind "$1" /usr/local && exec sh "$2"' \
        sh "$root" "$step" 2>&1) || status=$?
    else
      out=$(sh "$step" 2>&1) || status=$?
    fi
    [ "$status" -ge 124 ] || break
  done
  echo "$out" >>"$log"
  for kind in LXVST VST3 LV2; do
    grep -q "$kind found: +quendral" <<<"$out" || fail "Ardour does not find the $kind plug-in below $seen"
  done
  rm -f "$HOME/.config/ardour7/config"
}
after_prefix_install() {
  local prefix=$work/stage/usr/local extra
  check_install "$prefix" lib/vst lib/vst3 lib/lv2 lib/clap bin
  extra=$(cd "$prefix" && find . -type f | grep -Ev '^\./(bin/|lib/vst|lib/lv2/|lib/clap/)' || true)
  [ -z "$extra" ] || fail "the prefix install puts files elsewhere: $extra"
  seen_vst=lib/vst seen_vst3=lib/vst3 ardour_finds "$prefix" /usr/local
}
after_user_install() {
  check_install "$HOME" .vst .vst3 .lv2 .clap .local/bin
  seen_vst=.vst seen_vst3=.vst3 ardour_finds "$HOME" "$HOME" \
    "    <Option name=\"plugin-path-lxvst\" value=\"$HOME/.vst\"/>"$'\n'
}
walked_form() {
  case "$1" in
    "scripts/demo.sh") echo "scripts/demo.sh --no-deps" ;;  # packages come from the suite's own install
    "scripts/test.sh") echo "bash -n scripts/test.sh" ;;    # this walk is part of it
    "scripts/fuzz.sh "*) echo "bash -n scripts/fuzz.sh" ;;  # an hour; the suite fuzzes for a minute
    "ctest --test-dir "*)
      local dir=${1#ctest --test-dir }
      echo "ctest --test-dir ${dir%% *} -N | grep -q '^Total Tests: [1-9]'"  # the suite runs them
      ;;
    "cmake --build build -j2")  # the suite builds everything in its own build directory
      echo "cmake --build build -j2 --target quendral_plugin quendral-render quendral-snapshot" ;;
    "scripts/build-windows.sh") echo "scripts/build-windows.sh build-windows quendral_plugin" ;;
    "sudo cmake --install build --prefix /usr/local")
      echo "DESTDIR=$work/stage cmake --install build --prefix /usr/local" ;;
    *) echo "$1" ;;
  esac
}

unavailable() {
  local program=${1#sudo }  # the staged install runs without sudo
  program=${program%% *}
  if [[ $program != */* ]] && ! command -v "$program" >/dev/null; then
    echo "the program $program (see scripts/install-deps.sh)"
    return
  fi
  case "$1" in
    *build-windows*)
      command -v x86_64-w64-mingw32-g++-posix >/dev/null || echo "mingw-w64 (Debian: g++-mingw-w64-x86-64-posix)"
      ;;
    *"/usr/lib/vst/lsp-plugins/"*)
      [ -f /usr/lib/vst/lsp-plugins/comp-delay-mono.so ] || echo "LSP's VST2 plug-ins (Debian: lsp-plugins-vst)"
      ;;
  esac
}

# The walked commands (continuations joined) with their README lines; unmarked blocks counted.
commands=$work/commands.txt
unmarked=$(awk -v out="$commands" '
  /^<!-- readme-walk/ { marked = NR; next }
  /^```sh/ { inblock = 1; walked = (marked == NR - 1); if (!walked) bad++; next }
  /^```/ && inblock { inblock = 0; next }
  inblock && walked {
    line = $0
    if (pending != "") { text = pending " " line } else { text = line; start = NR }
    if (sub(/\\$/, "", text)) { pending = text; next }
    pending = ""
    sub(/^[ \t]*#.*$/, "", text); sub(/[ \t]+#.*$/, "", text)
    gsub(/[ \t]+/, " ", text); sub(/^ /, "", text)
    if (text != "") print start "\t" text > out
  }
  END { print bad + 0 }' README.md)
[ "$unmarked" = 0 ] || fail "$unmarked \`\`\`sh block(s) of README.md lack a readme-walk line"
[ "$(wc -l <"$commands")" -ge 10 ] || fail "fewer than 10 walked commands: were the marks removed?"
head -n 1 "$commands" | grep -q $'\tscripts/demo.sh$' || fail "the README's first command is not the main job"

steps=0
while IFS=$'\t' read -r line command; do
  walked=$(walked_form "$command")
  reason=$(unavailable "$command")
  if [ -n "$reason" ]; then
    echo "README:$line  $command  -> not run: missing $reason" | tee -a "$log"
    if [ "${QUENDRAL_REQUIRE_PACKAGES:-0}" = 1 ]; then fail "missing $reason"; fi
    continue
  fi
  start=$(date +%s)
  echo "README:$line  $command  -> $walked" >>"$log"
  (eval "$walked") >>"$log" 2>&1 </dev/null || fail "README line $line failed: $walked"
  case "$command" in
    "scripts/demo.sh") after_demo ;;
    "sudo cmake --install build --prefix /usr/local") after_prefix_install ;;
    "cmake --install build") after_user_install ;;
  esac
  echo "README:$line  $command  -> ok ($(($(date +%s) - start)) s)" | tee -a "$log"
  steps=$((steps + 1))
done <"$commands"
echo "walk_readme: $steps README commands ran on a fresh copy; the log is $log"
