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


def remove_sod(chip):
    chip.sod = None


AFTER_SIGNING = {
    "change-a-byte-of-dg11": change_dg11,
    "change-a-byte-of-the-signature": change_signature,
    "remove-ef-sod": remove_sod,
}
