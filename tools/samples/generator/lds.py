"""LDS files (ICAO 9303 part 10) and the ISO/IEC 19794-5 facial record."""

import struct

DATA_GROUP_TAGS = {1: 0x61, 2: 0x75, 11: 0x6B, 12: 0x6C, 14: 0x6E, 15: 0x6F}
EF_COM_ID = 0x011E
EF_SOD_ID = 0x011D

DG11_TAGS = {
    "full_name": 0x5F0E,
    "personal_number": 0x5F10,
    "full_date_of_birth": 0x5F2B,
    "place_of_birth": 0x5F11,
    "address": 0x5F42,
    "telephone": 0x5F12,
    "profession": 0x5F13,
    "title": 0x5F14,
    "personal_summary": 0x5F15,
}

DG12_TAGS = {
    "issuing_authority": 0x5F19,
    "date_of_issue": 0x5F26,
    "endorsements": 0x5F1B,
    "tax_exit_requirements": 0x5F1C,
    "personalization_time": 0x5F55,
    "personalization_serial": 0x5F56,
}
OTHER_PERSON_TAG = 0x5F1A

IMAGE_DATA_TYPES = {"jpeg": 0, "jp2": 1, "j2k": 1}
GENDERS = {"M": 1, "F": 2}


def ber_length(n, long82=False):
    if n > 0xFFFF:
        raise ValueError("value longer than 65535 bytes")
    if long82 or n > 0xFF:
        return bytes([0x82, n >> 8, n & 0xFF])
    if n >= 0x80:
        return bytes([0x81, n])
    return bytes([n])


def tag_bytes(tag):
    return tag.to_bytes(2 if tag > 0xFF else 1, "big")


def tlv(tag, value, long82=False):
    return tag_bytes(tag) + ber_length(len(value), long82) + value


def data_group_file_id(number):
    return 0x0100 | number


def ef_com(data_groups, lds_version="0107", unicode_version="040000"):
    tags = bytes(DATA_GROUP_TAGS[n] for n in data_groups)
    value = tlv(0x5F01, lds_version.encode()) + tlv(0x5F36, unicode_version.encode()) + tlv(0x5C, tags)
    return tlv(0x60, value)


def dg1(mrz_text):
    return tlv(0x61, tlv(0x5F1F, mrz_text.encode("ascii")))


def dg11(fields):
    tag_list = b"".join(tag_bytes(DG11_TAGS[name]) for name, _ in fields)
    values = b"".join(tlv(DG11_TAGS[name], text.encode("utf-8")) for name, text in fields)
    return tlv(0x6B, tlv(0x5C, tag_list) + values)


def dg12(fields):
    """DG12 from (name, text) pairs; "other_persons" takes a list of names (A0: count, then 5F1A each)."""
    tags = []
    values = b""
    for name, text in fields:
        if name == "other_persons":
            tags.append(0xA0)
            names = b"".join(tlv(OTHER_PERSON_TAG, person.encode("utf-8")) for person in text)
            values += tlv(0xA0, tlv(0x02, bytes([len(text)])) + names)
        else:
            tags.append(DG12_TAGS[name])
            values += tlv(DG12_TAGS[name], text.encode("utf-8"))
    return tlv(0x6C, tlv(0x5C, b"".join(tag_bytes(tag) for tag in tags)) + values)


def facial_record(image, image_type, width, height, gender):
    block_length = 20 + 12 + len(image)
    header = b"FAC\0" + b"010\0" + struct.pack(">IH", 14 + block_length, 1)
    # length, feature points, gender, eye colour, hair colour, feature mask,
    # expression, pose angles, pose angle uncertainties
    information = struct.pack(">IHBBB3sH3s3s", block_length, 0, gender, 0, 0, b"\0" * 3, 0, b"\0" * 3, b"\0" * 3)
    # full frontal, image data type, size, 24-bit RGB, digital still, device type, quality
    image_information = struct.pack(">BBHHBBHH", 1, image_type, width, height, 1, 2, 0, 0)
    return header + information + image_information + image


def dg2(image, image_type, width, height, gender):
    biometric_header = (tlv(0x80, b"\x01\x01") + tlv(0x81, b"\x02") + tlv(0x87, b"\x01\x01")
                        + tlv(0x88, b"\x00\x08"))
    record = facial_record(image, image_type, width, height, gender)
    template = tlv(0xA1, biometric_header) + tlv(0x5F2E, record, long82=True)
    group = tlv(0x02, b"\x01") + tlv(0x7F60, template)
    return tlv(0x75, tlv(0x7F61, group))
