#!/usr/bin/env python3
"""Writes the sample documents of the simulated chip (*.zdoc) from the
readable descriptions in documents.json: the MRZ is composed and its check
digits computed, DG11 is encoded as UTF-8, and the face is drawn and encoded
with opj_compress (JPEG 2000) or ImageMagick's convert (JPEG).

Usage: make-samples.py [output directory]   (default: this script's directory)
"""

import json
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean

from generator import docfile, face, lds, mrz  # noqa: E402

# How each face encoding is made from a PPM file; compression ratios keep the
# faces between 10 and 20 KB.
ENCODERS = {
    "jp2": lambda src, dst: ["opj_compress", "-i", src, "-o", dst + ".jp2", "-r", "14"],
    "j2k": lambda src, dst: ["opj_compress", "-i", src, "-o", dst + ".j2k", "-r", "14"],
    "jpeg": lambda src, dst: ["convert", src, "-strip", "-quality", "88", "-sampling-factor", "2x2", dst + ".jpeg"],
}


def encode_face(look, work):
    ppm = work / "face.ppm"
    ppm.write_bytes(face.draw_face(look))
    encoding = look["encoding"]
    subprocess.run(ENCODERS[encoding](str(ppm), str(work / "face")), check=True, stdout=subprocess.DEVNULL)
    return (work / f"face.{encoding}").read_bytes()


def build_document(doc, work):
    lines = mrz.mrz_lines(doc)
    expected = doc.get("expected_mrz")
    if expected is not None and lines != expected:
        raise SystemExit(f"{doc['file']}: composed MRZ {lines} differs from the expected {expected}")
    files = {lds.data_group_file_id(1): lds.dg1("".join(lines))}
    image = encode_face(doc["face"], work)
    files[lds.data_group_file_id(2)] = lds.dg2(image, lds.IMAGE_DATA_TYPES[doc["face"]["encoding"]],
                                               face.WIDTH, face.HEIGHT, lds.GENDERS.get(doc["sex"], 0))
    if doc.get("dg11"):
        files[lds.data_group_file_id(11)] = lds.dg11(doc["dg11"])
    if doc.get("dg12"):
        files[lds.data_group_file_id(12)] = lds.dg12(doc["dg12"])
    present = sorted(fid & 0xFF for fid in files)
    files[lds.EF_COM_ID] = lds.ef_com(present)
    return docfile.format_document(doc["label"], mrz.mrz_information(doc), files), len(image)


def main():
    out_dir = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else HERE
    description = json.loads((HERE / "documents.json").read_text(encoding="utf-8"))
    with tempfile.TemporaryDirectory() as tmp:
        for doc in description["documents"]:
            text, image_size = build_document(doc, pathlib.Path(tmp))
            (out_dir / doc["file"]).write_text(text, encoding="ascii")
            print(f"{doc['file']}: face {image_size} bytes")


if __name__ == "__main__":
    main()
