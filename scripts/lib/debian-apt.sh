# Debian's apt archive as this machine reaches it, for the scripts that need
# Debian packages without changing the machine's own apt configuration.
# Sourced (bash), not run. No registry is named here: every URI comes from
# the machine's own Debian entries.

# The machine's Debian 12 entries only, not a third-party repository's:
# signed by the Debian archive keyring (or unsigned-by), suite bookworm or
# one of its updates, component main. Writes them to OUT.sources (deb822)
# or, from one-line lists, OUT.list, and prints the name of that file.
debian_sources() {
  local out=$1 file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk -v RS= -v ORS='\n\n' 'tolower($0) !~ /(^|\n)enabled: *no/ &&
      /(^|\n)Suites:[^\n]*(^|[ \t])bookworm(-updates|-security)?([ \t]|\n|$)/ &&
      /(^|\n)Components:[^\n]*[ \t]main([ \t]|\n|$)/ &&
      ($0 !~ /(^|\n)Signed-By:/ || /(^|\n)Signed-By:[^\n]*debian-archive-keyring/)' "$file"
  done >"$out.sources"
  if [ -s "$out.sources" ]; then echo "$out.sources"; return; fi
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk '$1 == "deb" && (/debian-archive-keyring/ || !/signed-by=/) && / bookworm(-updates|-security)? .*main/' >"$out.list"
  [ -s "$out.list" ] || { echo "${0##*/}: no Debian 12 entry in this machine's apt sources" >&2; return 1; }
  echo "$out.list"
}

# The URI of the Debian archive itself (the entry of bookworm or
# bookworm-updates, not the security archive's) among those entries; the
# archive's other releases are under the same URI.
debian_archive_uri() {
  local part file uri=
  part=$(mktemp) || return 1
  if file=$(debian_sources "$part"); then
    case $file in
      *.sources)
        uri=$(awk -v RS= '/(^|\n)Suites:[^\n]*(^|[ \t])bookworm(-updates)?([ \t]|\n|$)/ {
            n = split($0, lines, "\n")
            for (i = 1; i <= n; i++)
              if (lines[i] ~ /^URIs:/) { split(lines[i], words, /[ \t]+/); print words[2]; exit }
          }' "$file") ;;
      *) uri=$(sed -E 's/\[[^]]*\]//' "$file" | awk '$3 ~ /^bookworm(-updates)?$/ { print $2; exit }') ;;
    esac
  fi
  rm -f "$part" "$part.sources" "$part.list"
  [ -n "$uri" ] || { echo "${0##*/}: no entry of the Debian archive in this machine's apt sources" >&2; return 1; }
  echo "$uri"
}

# Fetches Debian source package PACKAGE of release SUITE (trixie, ...) and
# unpacks it into DIR, through an apt configuration of its own under APT:
# its own sources file (the archive's URI, deb-src, main, the Debian
# archive keyring), lists, archives, state and options. Of the machine's
# configuration only the options that reaching the archive may need are
# read (proxies, date checks); the machine's own hooks, sources, lists and
# state are neither used nor changed, and no root is needed.
debian_source_package() {
  local package=$1 suite=$2 dir=$3 apt=$4 uri
  uri=$(debian_archive_uri) || return 1
  rm -rf "$apt"
  mkdir -p "$apt"/etc/apt.conf.d "$apt"/etc/sources.list.d "$apt"/etc/preferences.d \
    "$apt"/etc/trusted.gpg.d "$apt"/state/lists/partial "$apt"/cache/archives/partial "$apt"/log
  : >"$apt/state/status"
  cat >"$apt/apt.conf" <<EOF
Dir::Etc "$apt/etc";
Dir::Etc::main "/dev/null";
Dir::State "$apt/state";
Dir::State::status "$apt/state/status";
Dir::Cache "$apt/cache";
Dir::Log "$apt/log";
Acquire::GzipIndexes "true";
APT::Sandbox::User "$(id -un)";
EOF
  apt-config dump Acquire::http Acquire::https Acquire::socks Acquire::Retries \
    Acquire::Check-Valid-Until Acquire::Check-Date >"$apt/etc/apt.conf.d/50machine-acquire"
  cat >"$apt/etc/sources.list.d/debian.sources" <<EOF
Types: deb-src
URIs: $uri
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  if ! APT_CONFIG=$apt/apt.conf apt-get -q update >"$apt/log/update.log" 2>&1; then
    cat "$apt/log/update.log" >&2
    echo "${0##*/}: could not read $suite's sources from $uri (a debian-archive-keyring with $suite's keys is needed)" >&2
    return 1
  fi
  mkdir -p "$dir"
  (cd "$dir" && APT_CONFIG=$apt/apt.conf apt-get -q source "$package/$suite")
}
