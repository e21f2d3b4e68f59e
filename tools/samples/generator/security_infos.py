"""DG14 (SecurityInfos for Chip and Active Authentication and PACE, ICAO
9303-11 and BSI TR-03110), DG15 (the Active Authentication public key), and
the SecurityInfos of PACE with Chip Authentication Mapping."""

from . import der, lds

# Chip Authentication protocols, by the names documents.json uses.
CHIP_AUTHENTICATION_PROTOCOLS = {
    "id-CA-DH-3DES-CBC-CBC": "0.4.0.127.0.7.2.2.3.1.1",
    "id-CA-ECDH-3DES-CBC-CBC": "0.4.0.127.0.7.2.2.3.2.1",
    "id-CA-ECDH-AES-CBC-CMAC-128": "0.4.0.127.0.7.2.2.3.2.2",
}

# The public key info's protocol follows the key: id-PK-DH or id-PK-ECDH.
PUBLIC_KEY_PROTOCOLS = {
    "DH-1024-160": "0.4.0.127.0.7.2.2.1.1",
    "P-256": "0.4.0.127.0.7.2.2.1.2",
    "brainpoolP256r1": "0.4.0.127.0.7.2.2.1.2",
}

ID_ACTIVE_AUTHENTICATION = "2.23.136.1.1.5"
SIGNATURE_ALGORITHMS = {"ecdsa-with-SHA256": "1.2.840.10045.4.3.2"}


def chip_authentication_infos(protocol, key_type, public_key):
    """ChipAuthenticationInfo (version 1, no key id) and ChipAuthenticationPublicKeyInfo."""
    return [der.sequence(der.oid(CHIP_AUTHENTICATION_PROTOCOLS[protocol]), der.integer(1)),
            der.sequence(der.oid(PUBLIC_KEY_PROTOCOLS[key_type]), public_key)]


# PACE protocols by name, for PACEInfos.
PACE_PROTOCOLS = {
    "id-PACE-ECDH-GM-AES-CBC-CMAC-128": "0.4.0.127.0.7.2.2.4.2.2",
    "id-PACE-ECDH-IM-AES-CBC-CMAC-128": "0.4.0.127.0.7.2.2.4.4.2",
    "id-PACE-DH-IM-AES-CBC-CMAC-128": "0.4.0.127.0.7.2.2.4.3.2",
    "id-PACE-ECDH-CAM-AES-CBC-CMAC-128": "0.4.0.127.0.7.2.2.4.6.2",
}


def pace_info(offer):
    """PACEInfo (version 2) of a PROTOCOL:ID offer, standardized domain parameters."""
    protocol, parameter_id = offer.rsplit(":", 1)
    return der.sequence(der.oid(PACE_PROTOCOLS[protocol]), der.integer(2), der.integer(int(parameter_id)))


def chip_authentication_public_key_info(key_type, public_key, key_id):
    """ChipAuthenticationPublicKeyInfo with a key id (for Chip Authentication Mapping: the PACEInfo's parameter id)."""
    return der.sequence(der.oid(PUBLIC_KEY_PROTOCOLS[key_type]), public_key, der.integer(key_id))


def active_authentication_info(signature_algorithm):
    """ActiveAuthenticationInfo (version 1): the ECDSA algorithm of an EC key in DG15."""
    return der.sequence(der.oid(ID_ACTIVE_AUTHENTICATION), der.integer(1),
                        der.oid(SIGNATURE_ALGORITHMS[signature_algorithm]))


def dg14(security_infos):
    return lds.tlv(lds.DATA_GROUP_TAGS[14], der.set_of(*security_infos))


def dg15(public_key):
    return lds.tlv(lds.DATA_GROUP_TAGS[15], public_key)
