# Debian packages and source packages, shared by the install and cross-build scripts.
# Source it; it defines functions only.

# The Debian release the project builds on; its source packages give the cross libraries.
DebianSuite=bookworm

# Runs a command as root: directly when we are root, through sudo otherwise.
AsRoot() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# Installs the named Debian packages that are not installed yet; says which.
InstallPackages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Installing: ${missing[*]}"
  # Another install running at the same moment holds dpkg's lock: wait for it, not fail.
  AsRoot apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive AsRoot apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends "${missing[@]}"
}

# The version of a source package that the deb-src entry offers, e.g. 2.26.5+dfsg-1.
SourceVersion() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'
}

# Unpacks Debian's source of package $1 under folder $2 and prints the unpacked folder. Adds a
# deb-src entry for the suite when there is none, and reuses an earlier unpacking of the same
# version.
FetchDebianSource() {
  local package=$1 into=$2 list=/etc/apt/sources.list.d/sideways-deb-src.sources
  InstallPackages dpkg-dev
  if [[ -z $(SourceVersion "$package") ]]; then
    if [[ ! -f $list ]]; then
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$DebianSuite" "$DebianSuite" | AsRoot tee "$list" >/dev/null
    fi
    AsRoot apt-get update -qq
  fi
  local version upstream
  version=$(SourceVersion "$package")
  [[ -n $version ]] || { echo "no Debian source package named $package" >&2; return 1; }
  upstream=${version#*:}
  upstream=${upstream%-*}
  local folder="$into/$package-$upstream"
  if [[ ! -f "$folder/.unpacked-$version" ]]; then
    mkdir -p "$into"
    rm -rf "$folder"
    # apt's download user cannot write into a root-owned folder; it says so and downloads as root.
    (cd "$into" && apt-get source -qq "$package=$version" 2>&1 >/dev/null | grep -v 'unsandboxed as root' >&2 || true)
    [[ -d $folder ]] || { echo "apt-get source $package=$version did not unpack $folder" >&2; return 1; }
    touch "$folder/.unpacked-$version"
  fi
  echo "$folder"
}
