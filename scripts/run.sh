#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velmo. Without a real port configured in
# PRM232C.TXT (a COMn=PATH line) it starts against the simulated MS-DOS machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh build
if [ -f PRM232C.TXT ] && grep -qiE '^COM[1-9]=' PRM232C.TXT; then
  exec build/apps/velmo "$@"
fi
exec build/apps/velmo --demo "$@"
