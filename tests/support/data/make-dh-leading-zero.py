#!/usr/bin/env python3
"""Writes dh-leading-zero.txt: a PACE DH Generic Mapping session on the values
of ICAO 9303-11 Appendix G.2 whose shared secret K starts with a zero byte.

Everything here is computed with Python's integers and the `cryptography`
package (AES-CMAC), independently of the program: the group comes from
OpenSSL's named group dh_1024_160 (RFC 5114), the mapped generator, the chip's
agreement key and the chip's private key from the published example. The
terminal's agreement key is searched (SHA-1 of a counter, cut to 159 bits)
until K = pk_dh_ic ^ sk_dh_ifd mod p is shorter than p by at least one byte.
"""
import hashlib
import subprocess
import sys

from cryptography.hazmat.primitives.cmac import CMAC
from cryptography.hazmat.primitives.ciphers import algorithms


def vectors(path, section):
    values, current = {}, None
    for line in open(path):
        line = line.strip()
        if line.startswith("["):
            current = line.strip("[]")
        elif current == section and "=" in line and not line.startswith("#"):
            name, value = line.split("=", 1)
            values[name.strip()] = value.split()[0]
    return values


def group_numbers():
    pem = subprocess.run(["openssl", "genpkey", "-genparam", "-algorithm", "DH", "-pkeyopt",
                          "group:dh_1024_160"], capture_output=True, check=True).stdout
    der = subprocess.run(["openssl", "asn1parse"], input=pem, capture_output=True, check=True).stdout.decode()
    numbers = [int(l.split(":")[-1], 16) for l in der.splitlines() if "INTEGER" in l]
    return numbers[0], numbers[1]  # p, g (PKCS #3 DHParameter)


def main():
    here = sys.argv[1] if len(sys.argv) > 1 else "."
    g2 = vectors(f"{here}/pace-vectors.txt", "icao-g2")
    p, g = group_numbers()
    length = (p.bit_length() + 7) // 8
    g_mapped = int(g2["g_mapped"], 16)
    pk_dh_ic = int(g2["pk_dh_ic"], 16)
    assert pow(g_mapped, int(g2["sk_dh_ic"], 16), p) == pk_dh_ic

    counter = 0
    while True:
        counter += 1
        # 159 bits: below q, whose 160th bit is set.
        sk = int.from_bytes(hashlib.sha1(counter.to_bytes(4, "big")).digest(), "big") >> 1
        k = pow(pk_dh_ic, sk, p)
        if sk > 0 and k < 1 << (8 * (length - 1)):
            break
    k_bytes = k.to_bytes(length, "big")
    pk_dh_ifd = pow(g_mapped, sk, p).to_bytes(length, "big")
    ks_enc = hashlib.sha1(k_bytes + b"\0\0\0\1").digest()[:16]
    ks_mac = hashlib.sha1(k_bytes + b"\0\0\0\2").digest()[:16]
    oid = bytes.fromhex(g2["protocol"])

    def tlv(tag, value):
        n = len(value)
        size = bytes([n]) if n < 0x80 else (b"\x81" + bytes([n]) if n < 0x100 else b"\x82" + n.to_bytes(2, "big"))
        return tag + size + value

    def token(public_key):
        mac = CMAC(algorithms.AES(ks_mac))
        mac.update(tlv(b"\x7f\x49", tlv(b"\x06", oid) + tlv(b"\x84", public_key)))
        return mac.finalize()[:8]

    with open(f"{here}/dh-leading-zero.txt", "w") as out:
        out.write("# Written by make-dh-leading-zero.py: ICAO 9303-11 G.2 with another terminal agreement key,\n")
        out.write("# chosen so that the shared secret K starts with 00.\n[dh-leading-zero]\n")
        for name, value in [("sk_dh_ifd", sk.to_bytes(20, "big")), ("pk_dh_ifd", pk_dh_ifd), ("k", k_bytes),
                            ("ks_enc", ks_enc), ("ks_mac", ks_mac),
                            ("t_ifd", token(pow(pk_dh_ic, 1, p).to_bytes(length, "big"))),
                            ("t_ic", token(pk_dh_ifd))]:
            out.write(f"{name:<10} = {value.hex().upper()}\n")


main()
