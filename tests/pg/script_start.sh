# The start both server scripts share, sourced with their arguments: strict mode, the project's
# root, the command and the pointer file taken off the arguments, and fail.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
what=$1 pointer=$2
shift 2
fail() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}
