# Shared by the scripts of tools/: which build to run and how its Wine prefix is set up.
# Source it from a script whose working folder is the repository root.

# ntf_runs_32bit: true when this machine runs Wine's 32-bit loader.
ntf_runs_32bit() { tools/wine32-check.sh -q; }

# ntf_default_arch: the shipped 32-bit build where it runs, else the 64-bit one.
ntf_default_arch() { if ntf_runs_32bit; then echo i686; else echo x86_64; fi; }

# ntf_bits ARCH: 32 or 64, as tools/wine-prefix.sh start takes it.
ntf_bits() { case "$1" in i686) echo 32 ;; x86_64) echo 64 ;; *) echo "unknown arch $1" >&2; return 2 ;; esac; }

# ntf_xp_version ARCH: the Windows XP version Wine reports to a program of that build, where
# balloon tips are used (a 64-bit program sees XP x64 / Server 2003).
ntf_xp_version() { case "$1" in i686) echo winxp ;; *) echo winxp64 ;; esac; }

# ntf_configure ARCH [FOLDER]: configure the build folder (default build/ARCH) if it is not yet.
ntf_configure() {
  local folder=${2:-build/$1}
  [ -f "$folder/CMakeCache.txt" ] || cmake --preset "$1" -B "$folder" >/dev/null
}
