#!/usr/bin/env python3
"""Writes the sample documents of the simulated chip (*.zdoc) from the
readable descriptions in documents.json: the MRZ is composed and its check
digits computed, DG11 is encoded as UTF-8, the face is drawn and encoded
with opj_compress (JPEG 2000) or ImageMagick's convert (JPEG), DG14 and DG15
carry the chip's own keys, and EF.SOD is signed by a document signer of the
sample PKI, as is EF.CardSecurity for a chip with PACE Chip Authentication
Mapping (its PACEInfos and the public key of the mapping). The negative documents are copies of a sample document, changed
as their description says. The sample trust store (the sample CSCA and its
CRL) is written beside them.

The sample PKI in pki/ (certificates, the CRL and every key) is made with the
openssl command-line tool only where its files are missing, and reused
otherwise, so that the output is the same on every run.

Usage: make-samples.py [output directory]   (default: this script's directory)
"""

import copy
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean

from generator import docfile, face, lds, mrz, pki, security_infos, sod, variants  # noqa: E402

PKI_DIR = HERE / "pki"
CHIP_KEY_DIR = PKI_DIR / "chips"
DEFAULT_SIGNER = "ds"

# The sample trust store: its file names and the PKI files they are copies of.
TRUST_STORE = {
    "trust/utopia-sample-csca.pem": pki.certificate_file(PKI_DIR, "csca"),
    "trust/utopia-sample-csca.crl": pki.crl_file(PKI_DIR),
}

# How each face encoding is made from a PPM file; compression ratios keep the
# faces between 10 and 20 KB.
ENCODERS = {
    "jp2": lambda src, dst: ["opj_compress", "-i", src, "-o", dst + ".jp2", "-r", "14"],
    "j2k": lambda src, dst: ["opj_compress", "-i", src, "-o", dst + ".j2k", "-r", "14"],
    "jpeg": lambda src, dst: ["convert", src, "-strip", "-quality", "88", "-sampling-factor", "2x2", dst + ".jpeg"],
}


class Chip:
    """What one document file holds: its data groups, EF.SOD and private keys."""

    def __init__(self, label, mrz_information):
        self.label = label
        self.mrz_information = mrz_information
        self.data_groups = {}
        self.private_keys = {}
        self.sod = None
        self.ef_com_groups = None  # the data groups EF.COM lists; None: those the chip has
        self.has_ef_com = True
        self.pace_offers = []
        self.can = None
        self.card_security_infos = []  # the SecurityInfos of EF.CardSecurity; none: no EF.CardSecurity
        self.card_security = None

    def sign(self, signer_name, hashes_left_out=()):
        signed = {n: content for n, content in self.data_groups.items() if n not in hashes_left_out}
        signer = pki.DocumentSigner(PKI_DIR, signer_name)
        self.sod = sod.ef_sod(signed, signer)
        if self.card_security_infos:
            self.card_security = sod.ef_card_security(self.card_security_infos, signer)

    def document_text(self):
        files = {lds.data_group_file_id(n): content for n, content in self.data_groups.items()}
        listed = self.ef_com_groups if self.ef_com_groups is not None else sorted(self.data_groups)
        if self.has_ef_com:
            files[lds.EF_COM_ID] = lds.ef_com(listed)
        if self.sod is not None:
            files[lds.EF_SOD_ID] = self.sod
        return docfile.format_document(self.label, self.mrz_information, files, self.private_keys,
                                       self.pace_offers, self.can, self.card_security)


def encode_face(look, work):
    ppm = work / "face.ppm"
    ppm.write_bytes(face.draw_face(look))
    encoding = look["encoding"]
    subprocess.run(ENCODERS[encoding](str(ppm), str(work / "face")), check=True, stdout=subprocess.DEVNULL)
    return (work / f"face.{encoding}").read_bytes()


def add_chip_keys(chip, doc):
    """DG14 and DG15 with the chip's own keys, as the description asks."""
    infos = []
    ca = doc.get("chip_authentication")
    if ca:
        private_key, public_key = pki.chip_key(CHIP_KEY_DIR, ca["key"], ca["key_type"])
        infos += security_infos.chip_authentication_infos(ca["protocol"], ca["key_type"], public_key)
        chip.private_keys["chip-authentication"] = private_key
    aa = doc.get("active_authentication")
    if aa:
        private_key, public_key = pki.chip_key(CHIP_KEY_DIR, aa["key"], aa["key_type"])
        if "signature_algorithm" in aa:
            infos.append(security_infos.active_authentication_info(aa["signature_algorithm"]))
        chip.data_groups[15] = security_infos.dg15(public_key)
        chip.private_keys["active-authentication"] = private_key
    cam = doc.get("pace_cam")
    if cam:
        # The key of Chip Authentication Mapping in EF.CardSecurity, its key id the PACEInfo's parameter id;
        # DG14 and EF.CardSecurity list the PACEInfos the chip offers.
        private_key, public_key = pki.chip_key(CHIP_KEY_DIR, cam["key"], cam["key_type"])
        pace_infos = [security_infos.pace_info(offer) for offer in doc["pace"]]
        chip.card_security_infos = pace_infos + [
            security_infos.chip_authentication_public_key_info(cam["key_type"], public_key, cam["key_id"])]
        infos += pace_infos
        chip.private_keys["pace-cam"] = private_key
    if infos:
        chip.data_groups[14] = security_infos.dg14(infos)


def build_document(doc, work):
    lines = mrz.mrz_lines(doc)
    expected = doc.get("expected_mrz")
    if expected is not None and lines != expected:
        raise SystemExit(f"{doc['file']}: composed MRZ {lines} differs from the expected {expected}")
    chip = Chip(doc["label"], mrz.mrz_information(doc))
    chip.data_groups[1] = lds.dg1("".join(lines))
    image = encode_face(doc["face"], work)
    chip.data_groups[2] = lds.dg2(image, lds.IMAGE_DATA_TYPES[doc["face"]["encoding"]], face.WIDTH, face.HEIGHT,
                                  lds.GENDERS.get(doc["sex"], 0))
    if doc.get("dg11"):
        chip.data_groups[11] = lds.dg11(doc["dg11"])
    if doc.get("dg12"):
        chip.data_groups[12] = lds.dg12(doc["dg12"])
    add_chip_keys(chip, doc)
    chip.has_ef_com = doc.get("ef_com", True)
    chip.pace_offers = doc.get("pace", [])
    chip.can = doc.get("can")
    return chip, len(image)


def build_negative(variant, unsigned, descriptions):
    """A copy of an unsigned sample chip, signed and changed as the variant says."""
    chip = copy.deepcopy(unsigned[variant["copy_of"]])
    chip.label = variant["label"]
    chip.sign(variant.get("document_signer", DEFAULT_SIGNER), variant.get("hashes_left_out", ()))
    for change in variant.get("after_signing", []):
        variants.AFTER_SIGNING[change](chip)
    swapped = variant.get("chip_authentication_after_signing")
    if swapped:
        # DG14 and the chip's key replaced together: the chip proves the new
        # key, but EF.SOD vouches only for the old DG14.
        add_chip_keys(chip, dict(descriptions[variant["copy_of"]], chip_authentication=swapped))
    clone_key = variant.get("pace_cam_key_after_signing")
    if clone_key:
        # A clone: EF.CardSecurity copied as it is, but the chip's own key is another one.
        chip.private_keys["pace-cam"], _ = pki.chip_key(CHIP_KEY_DIR, clone_key["key"], clone_key["key_type"])
    if "pace_after_signing" in variant:
        # EF.CardAccess is not signed: it can offer what DG14 and EF.CardSecurity do not list.
        chip.pace_offers = variant["pace_after_signing"]
    return chip


def write(out_dir, name, text):
    path = out_dir / name
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="ascii")


def main():
    out_dir = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else HERE
    description = json.loads((HERE / "documents.json").read_text(encoding="utf-8"))
    pki.ensure_pki(PKI_DIR)
    unsigned = {}
    with tempfile.TemporaryDirectory() as tmp:
        for doc in description["documents"]:
            chip, image_size = build_document(doc, pathlib.Path(tmp))
            unsigned[doc["file"]] = copy.deepcopy(chip)
            chip.sign(doc.get("document_signer", DEFAULT_SIGNER))
            write(out_dir, doc["file"], chip.document_text())
            print(f"{doc['file']}: face {image_size} bytes, EF.SOD {len(chip.sod)} bytes")
    descriptions = {doc["file"]: doc for doc in description["documents"]}
    for variant in description["negative_documents"]:
        write(out_dir, variant["file"], build_negative(variant, unsigned, descriptions).document_text())
        print(f"{variant['file']}: copy of {variant['copy_of']}")
    for name, source in TRUST_STORE.items():
        (out_dir / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, out_dir / name)
        print(f"{name}: {source.relative_to(HERE)}")


if __name__ == "__main__":
    main()
