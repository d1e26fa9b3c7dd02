# What the release scripts share: the version and the checks of a built Debian package.
# Source it from the worktree's top folder; it defines functions only.

# The release's version: the top entry of debian/changelog, which the build also reads.
ReleaseVersion() {
  sed -n '1s/^sideways (\([^)]*\)).*/\1/p' debian/changelog
}

# Checks a .deb as Debian's tools see it: lintian with no error and no warning (its
# informational tags printed), and the desktop entry and AppStream metadata it installs valid;
# and that the package's Homepage is the AppStream file's home page and debian/upstream/metadata's.
CheckPackage() {
  local deb=$1 tree homepage
  lintian --fail-on error,warning --info --display-info "$deb"
  tree=$(mktemp -d)
  dpkg-deb -x "$deb" "$tree"
  local ok=true
  desktop-file-validate "$tree"/usr/share/applications/*.desktop || ok=false
  appstreamcli validate --no-net --pedantic "$tree"/usr/share/metainfo/*.metainfo.xml || ok=false
  homepage=$(dpkg-deb -f "$deb" Homepage)
  grep -qF "<url type=\"homepage\">$homepage</url>" "$tree"/usr/share/metainfo/*.metainfo.xml &&
    grep -qxF "Repository-Browse: $homepage" debian/upstream/metadata ||
    { echo "the Homepage $homepage is not the AppStream file's nor debian/upstream/metadata's" >&2; ok=false; }
  rm -rf "$tree"
  $ok
}
