# Debian packages and source packages, shared by the install and cross-build scripts.
# Source it; it defines functions only.

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
  AptUpdate || return 1
  # Another install running at the same moment holds dpkg's lock: wait for it, not fail.
  DEBIAN_FRONTEND=noninteractive AsRoot apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends "${missing[@]}"
}

# Reads the package lists again. Another apt-get update running at the same moment holds the
# lists' lock, which apt's lock timeout does not cover: wait for it (up to 10 minutes), not fail.
AptUpdate() {
  local try errors
  for try in $(seq 120); do
    errors=$(AsRoot apt-get -o DPkg::Lock::Timeout=600 update -qq 2>&1 >/dev/null) && return 0
    [[ $errors == *"Could not get lock"* ]] || break
    sleep 5
  done
  echo "$errors" >&2
  echo "apt-get update failed" >&2
  return 1
}

# The version of a source package that the deb-src entries offer, e.g. 2.26.5+dfsg-1; empty
# when none does. Never fails: apt-cache fails when there is no deb-src entry at all.
SourceVersion() {
  { apt-cache showsrc "$1" 2>/dev/null || true; } | awk '/^Version:/ && v == "" { v = $2 } END { print v }'
}

# The version of Debian's source package $1, adding a deb-src entry for this machine's release
# (and reading it, and saying so) when no entry offers the package yet. Fails, saying so, when
# none does then.
DebianSourceVersion() {
  local package=$1 version list=/etc/apt/sources.list.d/sideways-deb-src.sources suite
  version=$(SourceVersion "$package")
  if [[ -z $version ]]; then
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    if [[ ! -f $list ]]; then
      echo "Adding a deb-src entry for Debian $suite to $list: the cross builds' libraries are built from Debian's source packages" >&2
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$suite" "$suite" | AsRoot tee "$list" >/dev/null
    fi
    AptUpdate >&2 || return 1
    version=$(SourceVersion "$package")
  fi
  [[ -n $version ]] || { echo "no deb-src entry offers Debian's source package $package" >&2; return 1; }
  echo "$version"
}

# Unpacks Debian's source of package $1 under folder $2 (a deps folder's sources/, which the
# Windows and the web libraries share) and prints the unpacked folder. Reuses an earlier
# unpacking of the same version.
FetchDebianSource() {
  local package=$1 into=$2 version upstream
  InstallPackages dpkg-dev >&2
  version=$(DebianSourceVersion "$package") || return 1
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
