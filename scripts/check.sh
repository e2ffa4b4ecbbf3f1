#!/usr/bin/env bash
# Everything CI runs: the whole suite, the format check, the Debian package installed and
# used the way a user would, and the whole suite again under the sanitizers. Each step
# installs the packages it needs.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
step() {
  local start=$SECONDS
  echo "== $*"
  "$@"
  echo "== $* done in $((SECONDS - start)) s"
}
step ./scripts/test.sh
step ./scripts/check-format.sh
step .ci/check-package
step ./scripts/test-sanitized.sh
