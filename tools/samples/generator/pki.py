"""The sample PKI: CSCAs, document signers, a CRL and the chips' own keys.

Everything is made with the openssl command-line tool, once: files already
in the PKI folder are used as they are, so that the committed certificates
and keys (and with them every EF.SOD) stay the same from run to run. When a
certificate or CRL is missing, the whole certificate part is made anew."""

import base64
import pathlib
import subprocess
import tempfile

# Key types by name: the openssl genpkey arguments that make one.
KEY_TYPES = {
    "RSA-1024": ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024"],
    "RSA-1536": ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1536"],
    "RSA-2048": ["-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048"],
    "P-256": ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-pkeyopt", "ec_param_enc:named_curve"],
    "brainpoolP256r1": ["-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:brainpoolP256r1",
                        "-pkeyopt", "ec_param_enc:named_curve"],
    # RFC 5114 section 2.1: 1024-bit MODP group with a 160-bit prime order subgroup.
    "DH-1024-160": ["-algorithm", "DHX", "-pkeyopt", "group:dh_1024_160"],
}

# The CSCAs: (name, key type, subject, valid from, valid to). The sample
# CSCA is the one in the sample trust store; the other one is not.
CSCAS = [
    ("csca", "brainpoolP256r1", "/C=UT/O=Utopia Sample PKI/CN=Utopia Sample CSCA", "20140101000000Z",
     "20540101000000Z"),
    ("other-csca", "P-256", "/C=UT/O=Utopia Other PKI/CN=Utopia CSCA not in the sample trust store",
     "20140101000000Z", "20540101000000Z"),
]

# The document signers, RSA keys so that their PKCS #1 v1.5 signatures (and
# so the sample files) are the same on every run: (name, issuing CSCA,
# subject, valid from, valid to, revoked).
DOCUMENT_SIGNERS = [
    ("ds", "csca", "/C=UT/O=Utopia Sample PKI/CN=Utopia Sample Document Signer", "20250101000000Z",
     "20450101000000Z", False),
    ("expired-ds", "csca", "/C=UT/O=Utopia Sample PKI/CN=Utopia Sample Document Signer (expired)",
     "20140601000000Z", "20240601000000Z", False),
    ("revoked-ds", "csca", "/C=UT/O=Utopia Sample PKI/CN=Utopia Sample Document Signer (revoked)",
     "20250101000000Z", "20450101000000Z", True),
    ("other-ds", "other-csca", "/C=UT/O=Utopia Other PKI/CN=Utopia Document Signer under the other CSCA",
     "20250101000000Z", "20450101000000Z", False),
]

CRL_DAYS = 36500  # the CRL's next update a century away: it never goes stale for the samples

CA_CONFIG = """\
[ ca ]
default_ca = this_ca
[ this_ca ]
dir = {dir}
database = $dir/index.txt
serial = $dir/serial
crlnumber = $dir/crlnumber
new_certs_dir = $dir
default_md = sha256
policy = any_name
unique_subject = no
[ any_name ]
countryName = supplied
organizationName = optional
commonName = supplied
[ csca_extensions ]
basicConstraints = critical,CA:TRUE,pathlen:0
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
[ ds_extensions ]
keyUsage = critical,digitalSignature
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
[ crl_extensions ]
authorityKeyIdentifier = keyid:always
"""


def openssl(*arguments, data=None):
    result = subprocess.run(["openssl", *arguments], input=data, check=True, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    return result.stdout


def make_key(path, key_type):
    openssl("genpkey", *KEY_TYPES[key_type], "-out", str(path))


def key_file(folder, name):
    return folder / f"{name}.key"


def certificate_file(folder, name):
    return folder / f"{name}.pem"


def crl_file(folder):
    return folder / "csca.crl"


def certificate_files(folder):
    names = [name for name, *_ in CSCAS] + [name for name, *_ in DOCUMENT_SIGNERS]
    return [certificate_file(folder, name) for name in names] + [crl_file(folder)]


def ensure_key(folder, name, key_type):
    path = key_file(folder, name)
    if not path.exists():
        path.parent.mkdir(parents=True, exist_ok=True)
        make_key(path, key_type)
    return path


def make_certificates(folder):
    with tempfile.TemporaryDirectory() as tmp:
        work = pathlib.Path(tmp)
        configs = {}
        for number, (name, key_type, subject, start, end) in enumerate(CSCAS, start=1):
            ca_dir = work / name
            ca_dir.mkdir()
            (ca_dir / "index.txt").write_text("")
            (ca_dir / "serial").write_text(f"{number}001\n")
            (ca_dir / "crlnumber").write_text("01\n")
            config = ca_dir / "ca.cnf"
            config.write_text(CA_CONFIG.format(dir=ca_dir))
            configs[name] = config
            key = ensure_key(folder, name, key_type)
            request = ca_dir / "request.csr"
            openssl("req", "-new", "-key", str(key), "-subj", subject, "-out", str(request))
            openssl("ca", "-batch", "-config", str(config), "-selfsign", "-keyfile", str(key), "-in", str(request),
                    "-startdate", start, "-enddate", end, "-extensions", "csca_extensions", "-notext",
                    "-out", str(certificate_file(folder, name)))
        for name, issuer, subject, start, end, revoked in DOCUMENT_SIGNERS:
            key = ensure_key(folder, name, "RSA-2048")
            request = work / f"{name}.csr"
            openssl("req", "-new", "-key", str(key), "-subj", subject, "-out", str(request))
            issue = ["-config", str(configs[issuer]), "-cert", str(certificate_file(folder, issuer)),
                     "-keyfile", str(key_file(folder, issuer))]
            openssl("ca", "-batch", *issue, "-in", str(request), "-startdate", start, "-enddate", end,
                    "-extensions", "ds_extensions", "-notext", "-out", str(certificate_file(folder, name)))
            if revoked:
                openssl("ca", *issue, "-revoke", str(certificate_file(folder, name)), "-crl_reason", "keyCompromise")
        openssl("ca", "-config", str(configs["csca"]), "-cert", str(certificate_file(folder, "csca")),
                "-keyfile", str(key_file(folder, "csca")), "-gencrl", "-crldays", str(CRL_DAYS),
                "-crlexts", "crl_extensions", "-out", str(crl_file(folder)))


def ensure_pki(folder):
    """Makes whatever certificate part of the PKI is missing in folder."""
    folder.mkdir(parents=True, exist_ok=True)
    if not all(path.exists() for path in certificate_files(folder)):
        make_certificates(folder)


def pem_body(path):
    """The DER inside a PEM file holding one object."""
    lines = path.read_text(encoding="ascii").splitlines()
    start = next(i for i, line in enumerate(lines) if line.startswith("-----BEGIN"))
    end = next(i for i, line in enumerate(lines) if line.startswith("-----END"))
    return base64.b64decode("".join(lines[start + 1:end]))


class DocumentSigner:
    """A document signer of the PKI: its certificate, and signing with its key."""

    def __init__(self, folder, name):
        self.certificate = pem_body(certificate_file(folder, name))
        self.key = key_file(folder, name)

    def sign_sha256(self, data):
        """RSA PKCS #1 v1.5 with SHA-256: the same bytes for the same data, every time."""
        return openssl("dgst", "-sha256", "-sign", str(self.key), data=data)


def chip_key(folder, name, key_type):
    """A chip's own key pair, made once: (PKCS #8 DER private key, SubjectPublicKeyInfo DER)."""
    path = ensure_key(folder, name, key_type)
    return (openssl("pkey", "-in", str(path), "-outform", "DER"),
            openssl("pkey", "-in", str(path), "-pubout", "-outform", "DER"))
