#!/usr/bin/env bash
# The certificates of the end-to-end tests' https sites, made with openssl into DIR: a test
# certificate authority (ca.pem, and ca.der for trust_root.exe), and, all for one server key
# (server.key): localhost.pem issued by it for localhost, expired.pem the same but expired,
# other.pem issued for another host name, and self.pem, a self-signed one for localhost.
#   make_certificates.sh DIR
set -euo pipefail
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
quiet() { "$@" >/dev/null 2>&1 || { echo "make_certificates: $* failed" >&2; "$@"; exit 1; }; }

quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
  -subj "/CN=Kestrane Test CA" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign
quiet openssl x509 -in ca.pem -outform DER -out ca.der
quiet openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out server.key

# One request per host name, issued by the test CA through `openssl ca`, which can date a
# certificate in the past.
cat >ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
policy = any
default_md = sha256
copy_extensions = copy
unique_subject = no
[any]
commonName = supplied
CNF
: >index.txt
echo 01 >serial
issue() {  # name host startdate enddate
  quiet openssl req -new -key server.key -out "$1.csr" -subj "/CN=$2" \
    -addext "subjectAltName=DNS:$2" -addext basicConstraints=CA:FALSE
  quiet openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" \
    -out "$1.pem" -notext -startdate "$3" -enddate "$4"
}
stamp() { date -u -d "$1" +%Y%m%d%H%M%SZ; }
issue localhost localhost "$(stamp '-1 day')" "$(stamp '+5 years')"
issue expired localhost "$(stamp '-30 days')" "$(stamp '-2 days')"
issue other other.example "$(stamp '-1 day')" "$(stamp '+5 years')"
quiet openssl req -x509 -key server.key -out self.pem -days 3650 -subj "/CN=localhost" \
  -addext "subjectAltName=DNS:localhost"
rm -f ./*.csr ./*.old ./*.attr 01.pem 02.pem 03.pem
