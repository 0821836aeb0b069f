#!/usr/bin/env bash
# Builds the demo from a fresh Debian 12 machine and runs it.  Installs only what building
# and running it needs; ./test.sh installs the rest.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh demo
./scripts/build.sh demo
cd build/demo
exec ./velastria "$@"
