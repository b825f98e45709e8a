#!/usr/bin/env bash
# An author's update key pair for a test plug-in, made as the authors' guide says:
# PREFIX.pem (the private key), PREFIX.txt (the public key's 44 base64 characters) and
# PREFIX.rc (the resource line that carries it).
#   make_update_key.sh PREFIX
set -euo pipefail
prefix=$1
openssl genpkey -algorithm ed25519 -out "$prefix.pem"
openssl pkey -in "$prefix.pem" -pubout -outform DER | tail -c 32 | base64 >"$prefix.txt"
echo "KESTRANE_UPDATE_KEY RCDATA \"$prefix.txt\"" >"$prefix.rc"
