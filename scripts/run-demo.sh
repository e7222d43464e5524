#!/usr/bin/env bash
# make run: start the program (the sample tile comes with the converter).
set -euo pipefail
exec "$1"
