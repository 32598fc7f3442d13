#!/usr/bin/env bash
# Installs every Debian package the build, the app and the tests need.
# Idempotent: packages already present are left alone, so a second run is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev lld
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev zlib1g-dev libicu-dev libxml2-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-wqy-microhei
  libjpeg62-turbo-dev libpng-dev libsdl2-dev
  libcurl4-openssl-dev libssl-dev libplist-dev duktape-dev libavahi-client-dev
  libcpp-httplib-dev nlohmann-json3-dev
  curl xvfb xauth nginx wrk xdotool chromium sqlite3 iproute2
  fbreader # the peer of the reader's side-by-side benchmark, never linked or read
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Real public-domain text for the stand-in site's catalogue and for tests that
# need whole books: the classics of the MIT-licensed chinese-poetry package,
# installed into the build folder, never into the repository.
if [ ! -f build/npm/node_modules/chinese-poetry/package.json ]; then
  if ! command -v npm >/dev/null; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
  fi
  mkdir -p build/npm
  npm install --prefix build/npm --no-audit --no-fund --loglevel=error chinese-poetry@2.0.1
fi

# The browser test drives Debian's chromium through puppeteer-core, which
# never downloads a browser of its own.
if [ ! -f build/npm/node_modules/puppeteer-core/package.json ]; then
  mkdir -p build/npm
  PUPPETEER_SKIP_DOWNLOAD=1 npm install --prefix build/npm --no-audit --no-fund --loglevel=error puppeteer-core@23.11.1
fi
