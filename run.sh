#!/usr/bin/env bash
# Builds everything from a fresh Debian 12 machine and runs the demo.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh
cd build/demo
exec ./velastria
