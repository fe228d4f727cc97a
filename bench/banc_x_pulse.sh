# Sourced by the benchmarks that run the real player on a screen with a
# sound server. banc_demarrer NAME makes $TMP; starts there a private Xvfb
# on a free display (with openbox when it is installed) and a private
# PulseAudio whose null sink "nul" takes the sound; and puts an app folder
# in $TMP (executable, engine, default skin, empty play-list folder, first
# settings). DISPLAY, PULSE_SERVER, XDG_RUNTIME_DIR are exported; the
# player started as $VPID, the servers and $TMP are ended on exit. Returns
# 1 (after saying why, with NAME first) when Xvfb does not start. Run from
# the build folder.
banc_fin() {
    [ -n "${VPID:-}" ] && kill $VPID 2>/dev/null || true
    [ -n "${WMPID:-}" ] && kill $WMPID 2>/dev/null || true
    [ -n "${PPID_PA:-}" ] && kill $PPID_PA 2>/dev/null || true
    [ -n "${XPID:-}" ] && kill $XPID 2>/dev/null || true
    sleep 0.3
    rm -rf "$TMP"
}

banc_demarrer() {
    TMP=$(mktemp -d)
    trap banc_fin EXIT
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
    XPID=$!
    for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.05; done
    [ -s "$TMP/display" ] || { echo "$1: Xvfb did not start"; return 1; }
    export DISPLAY=":$(cat "$TMP/display")"
    if command -v openbox >/dev/null; then
        openbox --sm-disable >/dev/null 2>&1 &
        WMPID=$!
    fi
    export XDG_RUNTIME_DIR="$TMP/run"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/no-bus"  # not the user's session bus
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no --system=false \
        -L "module-native-protocol-unix socket=$TMP/pulse.sock auth-anonymous=1" \
        -L "module-null-sink sink_name=nul" -L "module-always-sink" >/dev/null 2>&1 &
    PPID_PA=$!
    export PULSE_SERVER="unix:$TMP/pulse.sock"
    sleep 1.5

    cp -r "$BUILD/app/skin" "$TMP/skin"; mkdir -p "$TMP/playlist"; cp "$BUILD/app/vantrel" "$BUILD/app/"*.so "$BUILD/app/"*.crc32 "$TMP/"
    printf '"skin/default/""default.sk""20""20""playlist/""false"' > "$TMP/vantrel.config"
}
