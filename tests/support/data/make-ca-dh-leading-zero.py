#!/usr/bin/env python3
"""Writes ca-dh-leading-zero.txt: a Chip Authentication session with a DH
chip key (id-CA-DH-AES-CBC-CMAC-128, RFC 5114 1024-bit group) whose shared
secret K starts with a zero byte, under AES-128 secure messaging before and
after.

Everything here is computed with Python's integers and the `cryptography`
package (AES, AES-CMAC), independently of the program: the group comes from
OpenSSL's named group dh_1024_160 (p, g) and RFC 5114's q; the chip's static
key and the old session keys are SHA-1 values of fixed texts; the terminal's
ephemeral key is searched (SHA-1 of a counter, cut to 159 bits) until
K = y_ic ^ sk_ifd mod p is shorter than p by at least one byte. The chip's
answers are made as a chip makes them: 9000 to MSE:Set AT, 7C00 to GENERAL
AUTHENTICATE under the old keys, 9000 to SELECT EF.DG14 under the new keys.
"""
import hashlib
import subprocess
import sys

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
from cryptography.hazmat.primitives.cmac import CMAC

# RFC 5114 2.1: the order of the 160-bit subgroup.
Q = int("F518AA8781A8DF278ABA4E7D64B7CB9D49462353", 16)
PROTOCOL = bytes.fromhex("04007F00070202030102")  # id-CA-DH-AES-CBC-CMAC-128
DH_PUBLIC_NUMBER = bytes.fromhex("2A8648CE3E0201")  # 1.2.840.10046.2.1


def group_numbers():
    pem = subprocess.run(["openssl", "genpkey", "-genparam", "-algorithm", "DH", "-pkeyopt",
                          "group:dh_1024_160"], capture_output=True, check=True).stdout
    der = subprocess.run(["openssl", "asn1parse"], input=pem, capture_output=True, check=True).stdout.decode()
    numbers = [int(l.split(":")[-1], 16) for l in der.splitlines() if "INTEGER" in l]
    return numbers[0], numbers[1]  # p, g


def tlv(tag, value):
    n = len(value)
    if n < 0x80:
        length = bytes([n])
    elif n <= 0xFF:
        length = bytes([0x81, n])
    else:
        length = bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + length + value


def der_integer(number):
    body = number.to_bytes((number.bit_length() + 8) // 8, "big")  # a sign byte when the top bit is set
    return tlv(0x02, body)


def sha1(text):
    return hashlib.sha1(text).digest()


def pad(data):
    data = data + b"\x80"
    return data + b"\x00" * (-len(data) % 16)


class AesSession:
    def __init__(self, enc, mac):
        self.enc, self.mac, self.ssc = enc, mac, 0

    def counter(self):
        return self.ssc.to_bytes(16, "big")

    def iv(self):
        encryptor = Cipher(algorithms.AES(self.enc), modes.ECB()).encryptor()
        return encryptor.update(self.counter()) + encryptor.finalize()

    def encrypt(self, data):
        encryptor = Cipher(algorithms.AES(self.enc), modes.CBC(self.iv())).encryptor()
        return encryptor.update(pad(data)) + encryptor.finalize()

    def cmac8(self, data):
        c = CMAC(algorithms.AES(self.mac))
        c.update(self.counter() + pad(data))
        return c.finalize()[:8]

    def command(self, header, data, le):
        self.ssc += 1
        cla, ins, p1, p2 = header
        objects = b""
        if data:
            objects += tlv(0x87, b"\x01" + self.encrypt(data))
        if le is not None:
            objects += tlv(0x97, bytes([le]))
        mac = self.cmac8(pad(bytes([cla | 0x0C, ins, p1, p2])) + objects)
        body = objects + tlv(0x8E, mac)
        return bytes([cla | 0x0C, ins, p1, p2, len(body)]) + body + b"\x00"

    def answer(self, data):
        self.ssc += 1
        objects = b""
        if data:
            objects += tlv(0x87, b"\x01" + self.encrypt(data))
        objects += tlv(0x99, b"\x90\x00")
        return objects + tlv(0x8E, self.cmac8(objects)) + b"\x90\x00"


def main():
    here = sys.argv[1] if len(sys.argv) > 1 else "."
    p, g = group_numbers()
    assert pow(g, Q, p) == 1
    length = (p.bit_length() + 7) // 8
    x_ic = int.from_bytes(sha1(b"Zelvan CA chip key"), "big") >> 1
    y_ic = pow(g, x_ic, p)
    spki = tlv(0x30, tlv(0x30, tlv(0x06, DH_PUBLIC_NUMBER) +
                         tlv(0x30, der_integer(p) + der_integer(g) + der_integer(Q))) +
               tlv(0x03, b"\x00" + der_integer(y_ic)))

    counter = 0
    while True:
        counter += 1
        sk = int.from_bytes(sha1(counter.to_bytes(4, "big")), "big") >> 1
        k = pow(y_ic, sk, p)
        if sk > 0 and k < 1 << (8 * (length - 1)):
            break
    k_bytes = k.to_bytes(length, "big")
    assert k_bytes[0] == 0
    pk_ifd = pow(g, sk, p).to_bytes(length, "big")
    assert pow(pow(g, sk, p), x_ic, p) == k  # the chip's side of the agreement

    old = AesSession(sha1(b"Zelvan CA old enc")[:16], sha1(b"Zelvan CA old mac")[:16])
    old.ssc = 0x2A
    ssc_old = old.ssc
    cmd_mse = old.command((0x00, 0x22, 0x41, 0xA4), tlv(0x80, PROTOCOL), None)
    rsp_mse = old.answer(b"")
    cmd_ga = old.command((0x00, 0x86, 0x00, 0x00), tlv(0x7C, tlv(0x80, pk_ifd)), 0x00)
    rsp_ga = old.answer(b"\x7C\x00")
    new = AesSession(sha1(k_bytes + b"\0\0\0\1")[:16], sha1(k_bytes + b"\0\0\0\2")[:16])
    cmd_select = new.command((0x00, 0xA4, 0x02, 0x0C), b"\x01\x0E", None)
    rsp_select = new.answer(b"")

    values = [
        ("protocol", PROTOCOL), ("spki", spki), ("ks_enc_old", old.enc), ("ks_mac_old", old.mac),
        ("ssc_old", ssc_old.to_bytes(16, "big")), ("sk_ifd", sk.to_bytes(20, "big")), ("pk_ifd", pk_ifd),
        ("cmd_mse", cmd_mse), ("rsp_mse", rsp_mse), ("cmd_ga", cmd_ga), ("rsp_ga", rsp_ga), ("k", k_bytes),
        ("ks_enc_new", new.enc), ("ks_mac_new", new.mac), ("cmd_select", cmd_select),
        ("rsp_select", rsp_select), ("ssc_after", new.ssc.to_bytes(16, "big")),
    ]
    with open(f"{here}/ca-dh-leading-zero.txt", "w") as out:
        out.write("# Written by make-ca-dh-leading-zero.py: Chip Authentication with a DH key on the RFC 5114\n"
                  "# 1024-bit group, the terminal's key chosen so that the shared secret K starts with 00.\n"
                  "[ca-dh-leading-zero]\n")
        for name, value in values:
            out.write(f"{name:<11} = {value.hex().upper()}\n")


main()
