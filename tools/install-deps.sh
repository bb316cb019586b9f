#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program, the Debian package
# and the tests need, when any is missing. With --dev also the tools used to regenerate resources
# and to measure (xplanet, imagemagick, rsvg-convert, ETOPO grids); with --fuzz also clang, libFuzzer and
# the symbolizer of the fuzz build (./test.sh --fuzz).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libfluidsynth-dev fluid-soundfont-gm libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib xinetd sox ebook2cw curl faketime openssl ca-certificates tzdata
  libcap2 libedit2 libgnutls30 libnettle8 libseccomp2
  xvfb xauth desktop-file-utils
  dpkg-dev lintian lowdown appstream man-db
  libgeographiclib-dev libhamlib-dev libhamlib-utils
  libfftw3-dev libsndfile1-dev libdeflate-dev libsqlite3-dev libpq-dev qt6-multimedia-dev pulseaudio pulseaudio-utils
)
if [[ "${1:-}" == "--dev" ]]; then
  packages+=(imagemagick xplanet ferret-datasets python3-numpy python3-scipy x11-utils xdotool hyperfine librsvg2-bin time)
fi
if [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang-14 libclang-rt-14-dev llvm-14)
fi

# The NTP tests run Debian's chronyd on 127.0.0.1 (always with -x, so it never
# touches the clock). The package itself is never installed: that would start
# its service, which would then keep this machine's time. Its .deb is
# unpacked instead, into a folder of its own (the libraries it needs are in
# the list above).
sudo=()
((EUID == 0)) || sudo=(sudo)
chrony_dir=${ORVANE_TEST_TOOLS:-/opt/orvane-test-tools}/chrony
install_chronyd() {
  [[ -x "$chrony_dir/usr/sbin/chronyd" ]] && return 0
  local tmp
  tmp=$(mktemp -d)
  chmod 0755 "$tmp"  # apt's download user writes there
  (cd "$tmp" && apt-get download chrony >/dev/null)
  "${sudo[@]}" mkdir -p "$chrony_dir"
  "${sudo[@]}" dpkg-deb -x "$tmp"/chrony_*.deb "$chrony_dir"
  rm -rf "$tmp"
  echo "chronyd unpacked to $chrony_dir/usr/sbin/chronyd"
}

# The history tests start a PostgreSQL 15 server of their own (initdb and
# pg_ctl in a temporary folder, as an unprivileged user). The package must
# neither make a cluster of its own nor start the system service:
# createcluster.conf says "no main cluster" (postgresql-common's documented
# switch, set only when the file is not there yet), and while the package is
# installed a policy-rc.d denies every service start (only when the machine
# has none of its own; removed afterwards).
install_postgresql() {
  local status
  status=$(dpkg-query -W -f='${Status}' postgresql-15 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] && return 0
  if [[ ! -e /etc/postgresql-common/createcluster.conf ]]; then
    "${sudo[@]}" mkdir -p /etc/postgresql-common
    echo "create_main_cluster = false" | "${sudo[@]}" tee /etc/postgresql-common/createcluster.conf >/dev/null
  fi
  local policy=/usr/sbin/policy-rc.d placed=0
  if [[ ! -e "$policy" ]]; then
    printf '#!/bin/sh\n# Placed by install-deps.sh while postgresql-15 is installed.\nexit 101\n' |
      "${sudo[@]}" tee "$policy" >/dev/null
    "${sudo[@]}" chmod 0755 "$policy"
    placed=1
  fi
  echo "Installing: postgresql-15 (no cluster, no service started)"
  local rc=0
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive UCF_FORCE_CONFFOLD=1 apt-get install -y -qq \
    --no-install-recommends -o Dpkg::Options::=--force-confold postgresql-15 || rc=$?
  ((placed)) && "${sudo[@]}" rm -f "$policy"
  return $rc
}

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  install_chronyd
  if ! install_postgresql; then
    "${sudo[@]}" apt-get update -qq
    install_postgresql
  fi
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
install_chronyd
install_postgresql
