#!/bin/sh
# Makes the cryptography test's vectors with Debian's openssl, never with the
# code under test: a fresh P-256 key (its uncompressed point), a message and
# openssl's DER signature of it, and a file of a few MiB with its SHA-256.
# Runs the command with the folder named in VELMORA_CRYPTO_VECTORS (as a
# Windows path, for the program under Wine), and removes the folder after.
# Usage: with-openssl-vectors.sh COMMAND [ARGS...]
set -eu
command -v openssl >/dev/null || { echo "openssl is not installed" >&2; exit 1; }
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT INT TERM
cd "$dir"
openssl ecparam -name prime256v1 -genkey -noout -out key.pem 2>/dev/null
openssl ec -in key.pem -pubout -outform DER 2>/dev/null | tail -c 65 >point.bin
printf '[file version]\r\nversion=1.0\r\n' >message.bin
openssl rand 1000 >>message.bin
openssl dgst -sha256 -sign key.pem -out signature.der message.bin
openssl rand $((3 * 1024 * 1024 + 5)) >large.bin
openssl dgst -sha256 -binary -out large.sha256 large.bin
cd - >/dev/null
VELMORA_CRYPTO_VECTORS="Z:$(printf '%s' "$dir" | tr '/' '\\')" "$@"
