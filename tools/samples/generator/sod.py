"""EF.SOD (ICAO 9303-10): the LDS security object v0 with the SHA-256
hash of every data group, in a CMS SignedData (RFC 5652) signed by a
document signer, wrapped in tag 77. EF.CardSecurity (ICAO 9303-11): the
chip's SecurityInfos in the same kind of SignedData, content type
id-SecurityObject, not wrapped.

The signed attributes are contentType and messageDigest only (no signing
time) and the signature is RSA PKCS #1 v1.5, so that the same data groups
and signer give the same bytes on every run."""

import hashlib

from . import der, lds

ID_SIGNED_DATA = "1.2.840.113549.1.7.2"
ID_LDS_SECURITY_OBJECT = "2.23.136.1.1.1"
ID_SECURITY_OBJECT = "0.4.0.127.0.7.3.2.1"
ID_CONTENT_TYPE = "1.2.840.113549.1.9.3"
ID_MESSAGE_DIGEST = "1.2.840.113549.1.9.4"
ID_SHA256 = "2.16.840.1.101.3.4.2.1"
SHA256_WITH_RSA = "1.2.840.113549.1.1.11"
EF_SOD_TAG = 0x77


def security_object(data_groups):
    """LDSSecurityObject v0: {number: data group bytes} hashed with SHA-256, by number."""
    hashes = [der.sequence(der.integer(number), der.octet_string(hashlib.sha256(content).digest()))
              for number, content in sorted(data_groups.items())]
    return der.sequence(der.integer(0), der.algorithm(ID_SHA256), der.sequence(*hashes))


def issuer_and_serial_number(certificate):
    """IssuerAndSerialNumber taken from a certificate's tbsCertificate."""
    _, start, end = der.read(certificate)
    _, start, end = der.read(certificate, start)  # tbsCertificate
    fields = der.children(certificate, start, end)
    if fields[0][0] == 0xA0:  # [0] version
        fields = fields[1:]
    serial, _signature, issuer = fields[:3]
    return der.sequence(issuer, serial)


def signed_attributes(content, content_type):
    return der.set_of(
        der.sequence(der.oid(ID_CONTENT_TYPE), der.set_of(der.oid(content_type))),
        der.sequence(der.oid(ID_MESSAGE_DIGEST), der.set_of(der.octet_string(hashlib.sha256(content).digest()))))


def signed_data(content, content_type, signer):
    """ContentInfo of a SignedData over content, signed by signer (pki.DocumentSigner)."""
    attributes = signed_attributes(content, content_type)
    # The signature covers the attributes' DER as a SET; in SignerInfo they stand as [0] IMPLICIT.
    signature = signer.sign_sha256(attributes)
    signer_info = der.sequence(
        der.integer(1),
        issuer_and_serial_number(signer.certificate),
        der.algorithm(ID_SHA256),
        der.implicit_constructed(0, der.value(attributes)),
        der.algorithm(SHA256_WITH_RSA, der.null()),
        der.octet_string(signature))
    signed = der.sequence(
        der.integer(3),  # version 3: the encapsulated content is not id-data
        der.set_of(der.algorithm(ID_SHA256)),
        der.sequence(der.oid(content_type), der.explicit(0, der.octet_string(content))),
        der.implicit_constructed(0, signer.certificate),
        der.set_of(signer_info))
    return der.sequence(der.oid(ID_SIGNED_DATA), der.explicit(0, signed))


def ef_sod(data_groups, signer):
    """EF.SOD over data_groups ({number: bytes}) signed by signer (pki.DocumentSigner)."""
    return lds.tlv(EF_SOD_TAG, signed_data(security_object(data_groups), ID_LDS_SECURITY_OBJECT, signer))


def ef_card_security(security_infos, signer):
    """EF.CardSecurity: the SecurityInfos (a SET OF the encodings given) signed by signer."""
    return signed_data(der.set_of(*security_infos), ID_SECURITY_OBJECT, signer)
