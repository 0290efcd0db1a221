#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent and quiet; run as root
# (or with sudo available) on Debian 12.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang-format
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3-aiosmtpd  # the SMTP server of the mail tests (run with /usr/bin/python3)
  python3-pyftpdlib ftp  # FTP server and the platform ftp client of the result-file fetch tests
  openssh-server openssh-client  # sshd and sftp of the SFTP result-file fetch tests
  slapd ldap-utils  # the directory server of the directory login tests
  mariadb-server perl  # the database and the interpreter of the Perl program link tests
  clang libclang-rt-14-dev  # the fuzz targets (libFuzzer)
  # libraries
  libxml2-dev libicu-dev libspdlog-dev libfmt-dev nlohmann-json3-dev
  libcurl4-openssl-dev libzip-dev libldap-dev libmariadb-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
