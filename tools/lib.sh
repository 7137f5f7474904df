# Shared by the scripts of tools/: which build to run, how its Wine prefix is set up and the
# virtual X display the programs run on.
# Source it from a script whose working folder is the repository root.

# ntf_runs_32bit: true when this machine runs Wine's 32-bit loader.
ntf_runs_32bit() { tools/wine32-check.sh -q; }

# ntf_default_arch: the shipped 32-bit build where it runs, else the 64-bit one.
ntf_default_arch() { if ntf_runs_32bit; then echo i686; else echo x86_64; fi; }

# ntf_bits ARCH: 32 or 64, as tools/wine-prefix.sh start takes it.
ntf_bits() { case "$1" in i686) echo 32 ;; x86_64) echo 64 ;; *) echo "unknown arch $1" >&2; return 2 ;; esac; }

# ntf_configure ARCH [FOLDER]: configure the build folder (default build/ARCH) if it is not yet.
ntf_configure() {
  local folder=${2:-build/$1}
  [ -f "$folder/CMakeCache.txt" ] || cmake --preset "$1" -B "$folder" >/dev/null
}

# ntf_build_ntfshow: installs what is missing, then configures and builds ntfshow of the default
# build, whose architecture it leaves in $arch.
ntf_build_ntfshow() {
  tools/setup.sh
  arch=$(ntf_default_arch)
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch" -j "$(nproc)" --target ntfshow
}

# ntf_xvfb COMMAND...: runs COMMAND on a virtual X display of its own, the size the tests use.
# 24-bit colour: the painter draws its gradient only on displays deeper than 15 bits.
ntf_xvfb() { xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; }

# ntf_rerun_on_xvfb ARGS...: runs the calling script again with ARGS on a virtual X display, so
# that every Wine program of the run meets the same X server, and ends with its status.
ntf_rerun_on_xvfb() {
  export NTF_ON_XVFB
  NTF_ON_XVFB=tools/$(basename "$0")
  ntf_xvfb "$NTF_ON_XVFB" "$@"
  exit
}

# ntf_need_display ARGS...: returns when an X display is set; without one, ntf_rerun_on_xvfb ARGS.
ntf_need_display() { [ -n "${DISPLAY:-}" ] || ntf_rerun_on_xvfb "$@"; }

# ntf_first_run: false in the run that ntf_rerun_on_xvfb started, which skips what the first
# run did already (installing, building).
ntf_first_run() { [ "${NTF_ON_XVFB:-}" != "tools/$(basename "$0")" ]; }
