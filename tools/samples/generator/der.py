"""DER encoding (ITU-T X.690) of the few ASN.1 types the security files use,
and a reader that walks an encoding's top-level elements."""

SEQUENCE = 0x30
SET = 0x31
INTEGER = 0x02
BIT_STRING = 0x03
OCTET_STRING = 0x04
NULL = 0x05
OBJECT_IDENTIFIER = 0x06


def length(n):
    if n < 0x80:
        return bytes([n])
    body = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(body)]) + body


def element(tag, value):
    return bytes([tag]) + length(len(value)) + value


def sequence(*items):
    return element(SEQUENCE, b"".join(items))


def set_of(*items):
    # DER orders the elements of a SET OF by their encodings.
    return element(SET, b"".join(sorted(items)))


def integer(n):
    return element(INTEGER, n.to_bytes(n.bit_length() // 8 + 1, "big", signed=True))


def octet_string(data):
    return element(OCTET_STRING, data)


def null():
    return element(NULL, b"")


def oid(dotted):
    arcs = [int(a) for a in dotted.split(".")]
    body = bytearray([arcs[0] * 40 + arcs[1]])
    for arc in arcs[2:]:
        chunk = [arc & 0x7F]
        arc >>= 7
        while arc:
            chunk.append(0x80 | (arc & 0x7F))
            arc >>= 7
        body += bytes(reversed(chunk))
    return element(OBJECT_IDENTIFIER, bytes(body))


def explicit(number, inner):
    """[number] EXPLICIT, constructed context-specific."""
    return element(0xA0 | number, inner)


def implicit_constructed(number, content):
    """[number] IMPLICIT over a constructed type (a SET OF ...): content without its own tag."""
    return element(0xA0 | number, content)


def algorithm(dotted, parameters=b""):
    return sequence(oid(dotted), parameters)


def read(data, offset=0):
    """The element at offset: (tag, start of value, end of element)."""
    tag = data[offset]
    first = data[offset + 1]
    start = offset + 2
    if first < 0x80:
        size = first
    else:
        count = first & 0x7F
        size = int.from_bytes(data[start:start + count], "big")
        start += count
    return tag, start, start + size


def children(data, start, end):
    """The whole encodings of the elements between start and end."""
    items = []
    while start < end:
        _, _, stop = read(data, start)
        items.append(data[start:stop])
        start = stop
    return items


def value(encoding):
    _, start, end = read(encoding)
    return encoding[start:end]
