# Sourced by the scripts that build a library from Debian 12's own source package.
# debian_source <source package> <folder>: unpacks it, with Debian's patches applied, into
# <folder>/<source package>; adds the deb-src entries (and updates the lists) once.
debian_source() {
  local package=$1 dest=$2
  if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src ' /etc/apt/sources.list; then
    cat > /etc/apt/sources.list.d/debian-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    apt-get update -q
  fi
  rm -rf "${dest:?}/$package"
  mkdir -p "$dest"
  (cd "$dest" && apt-get source --download-only "$package" && dpkg-source -x "${package}"_*.dsc "$package")
}
