# Sourced by ./run and ./test: installs the Debian packages of
# tools/packages.txt that the machine lacks. `vs_setup run` takes the
# packages of both commands, `vs_setup test` also those marked "test".
# dpkg-query decides; apt-get runs only when something is missing.
vs_setup() {
  local scope=$1 missing=() name tag
  while read -r name tag; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    [[ "$tag" == "test" && "$scope" != "test" ]] && continue
    if [[ "$(dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null)" != "installed" ]]; then
      missing+=("$name")
    fi
  done < "$VS_ROOT/tools/packages.txt"
  ((${#missing[@]} == 0)) && return 0

  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      sudo=(sudo -n)
    else
      echo "Missing packages (install them as root): ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null || return 1
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null || return 1
}
