#!/usr/bin/env bash
# Checks that the C++ files are formatted as .clang-format says, except the ones named in
# .clang-format-ignore; lists every file that differs and shows how, and fails if one does.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-packages.sh" clang-format
cd "$root"
# The style is tuned to Debian 12's clang-format; other versions break lines differently.
format="$(command -v clang-format-14 || command -v clang-format)"

mapfile -t skipped < <(grep -v -e '^#' -e '^$' .clang-format-ignore || true)
declare -A skip
for file in "${skipped[@]}"; do skip["$file"]=1; done
files=()
differing=()
for file in $(git ls-files '*.cpp' '*.h'); do
  [ -n "${skip[$file]:-}" ] && continue
  files+=("$file")
  if ! "$format" --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" "$file" -; then
    differing+=("$file")
  fi
done
for file in "${skipped[@]}"; do
  [ -f "$file" ] || echo "note: $file is named in .clang-format-ignore but does not exist" >&2
done
if [ ${#differing[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (clang-format -i FILE mends them):" >&2
  printf '  %s\n' "${differing[@]}" >&2
  exit 1
fi
echo "Format: ${#files[@]} files as .clang-format says (${#skipped[@]} in .clang-format-ignore)."
