"""Changes made to a copy of a sample document after its EF.SOD was signed,
for the negative samples of Passive Authentication."""


def flip_last_byte(data):
    return data[:-1] + bytes([data[-1] ^ 0x01])


def change_dg11(chip):
    # The last byte of DG11 is a letter of its last field: the text still
    # reads, but no longer hashes to what EF.SOD lists.
    chip.data_groups[11] = flip_last_byte(chip.data_groups[11])


def change_signature(chip):
    # EF.SOD ends with the SignerInfo's signature value.
    chip.sod = flip_last_byte(chip.sod)


def change_card_security_signature(chip):
    # EF.CardSecurity ends with the SignerInfo's signature value.
    chip.card_security = flip_last_byte(chip.card_security)


def remove_sod(chip):
    chip.sod = None


def leave_chip_keys_out_of_ef_com(chip):
    # What a copy of the chip would do to skip Chip and Active Authentication:
    # EF.COM is not signed, EF.SOD still lists DG14 and DG15.
    chip.ef_com_groups = sorted(n for n in chip.data_groups if n not in (14, 15))


def remove_chip_keys(chip):
    # EF.COM and EF.SOD list DG14 and DG15; the chip answers that it has neither.
    chip.ef_com_groups = sorted(chip.data_groups)
    del chip.data_groups[14]
    del chip.data_groups[15]


def sod_body(sod):
    # The contents of the 0x77 wrapper (a short form or 0x81/0x82 length).
    header = 2 + (sod[1] & 0x7F if sod[1] & 0x80 else 0)
    return sod[header:]


def sod_three_length_bytes(chip):
    # BER, seen in the field: the wrapper's length in three bytes (77 83 ...).
    body = sod_body(chip.sod)
    chip.sod = bytes([0x77, 0x83]) + len(body).to_bytes(3, "big") + body


def sod_indefinite_length(chip):
    # BER, seen in the field: the wrapper of indefinite length (77 80 ... 00 00).
    chip.sod = bytes([0x77, 0x80]) + sod_body(chip.sod) + b"\x00\x00"


AFTER_SIGNING = {
    "change-a-byte-of-dg11": change_dg11,
    "change-a-byte-of-the-signature": change_signature,
    "change-a-byte-of-the-ef-cardsecurity-signature": change_card_security_signature,
    "remove-ef-sod": remove_sod,
    "leave-dg14-and-dg15-out-of-ef-com": leave_chip_keys_out_of_ef_com,
    "remove-dg14-and-dg15": remove_chip_keys,
    "ef-sod-length-in-three-bytes": sod_three_length_bytes,
    "ef-sod-of-indefinite-length": sod_indefinite_length,
}
