#pragma once
// OpenSSL objects owned by std::unique_ptr, each with the free function that
// releases it, so that every early return of the checks frees what it made.
// The one place that pairs an OpenSSL type with its free function: the
// program, the tools, the tests, the benchmarks and the fuzz targets all take
// their owners from here (header only; OpenSSL's C headers cost little to
// compile). Secrets are freed with the clearing variants (BN_clear_free,
// EC_POINT_clear_free), which wipe the memory first.

#include <memory>

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/cms.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/params.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

template <auto FreeFunction>
struct TOpenSslFree {
  template <typename T>
  void operator()(T* object) const {
    FreeFunction(object);
  }
};

template <typename T, auto FreeFunction>
using TOpenSslPtr = std::unique_ptr<T, TOpenSslFree<FreeFunction>>;

// Certificates, signed data, trust store.
using TX509Ptr = TOpenSslPtr<X509, X509_free>;
using TX509CrlPtr = TOpenSslPtr<X509_CRL, X509_CRL_free>;
using TX509StorePtr = TOpenSslPtr<X509_STORE, X509_STORE_free>;
using TX509StoreCtxPtr = TOpenSslPtr<X509_STORE_CTX, X509_STORE_CTX_free>;
using TCmsPtr = TOpenSslPtr<CMS_ContentInfo, CMS_ContentInfo_free>;
using TBioPtr = TOpenSslPtr<BIO, BIO_free_all>;

// Algorithms, keys and their contexts.
using TEvpMdPtr = TOpenSslPtr<EVP_MD, EVP_MD_free>;
using TEvpMdCtxPtr = TOpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free>;
using TEvpCipherPtr = TOpenSslPtr<EVP_CIPHER, EVP_CIPHER_free>;
// Freeing the context cleanses its key schedule and chaining value.
using TEvpCipherCtxPtr = TOpenSslPtr<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>;
using TEvpMacPtr = TOpenSslPtr<EVP_MAC, EVP_MAC_free>;
using TEvpMacCtxPtr = TOpenSslPtr<EVP_MAC_CTX, EVP_MAC_CTX_free>;
using TEvpPkeyPtr = TOpenSslPtr<EVP_PKEY, EVP_PKEY_free>;
using TEvpPkeyCtxPtr = TOpenSslPtr<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using TPkcs8InfoPtr = TOpenSslPtr<PKCS8_PRIV_KEY_INFO, PKCS8_PRIV_KEY_INFO_free>;
using TParamBuildPtr = TOpenSslPtr<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using TParamsPtr = TOpenSslPtr<OSSL_PARAM, OSSL_PARAM_free>;

// Numbers and curves.
using TBignumPtr = TOpenSslPtr<BIGNUM, BN_free>;
// A private key or another secret number: cleared when freed.
using TSecretBignumPtr = TOpenSslPtr<BIGNUM, BN_clear_free>;
using TBnCtxPtr = TOpenSslPtr<BN_CTX, BN_CTX_free>;
using TEcGroupPtr = TOpenSslPtr<EC_GROUP, EC_GROUP_free>;
using TEcPointPtr = TOpenSslPtr<EC_POINT, EC_POINT_free>;
// A point made from a private key: cleared when freed.
using TSecretEcPointPtr = TOpenSslPtr<EC_POINT, EC_POINT_clear_free>;
using TEcdsaSigPtr = TOpenSslPtr<ECDSA_SIG, ECDSA_SIG_free>;

// ASN.1 values and buffers.
using TAsn1ObjectPtr = TOpenSslPtr<ASN1_OBJECT, ASN1_OBJECT_free>;
using TAsn1IntegerPtr = TOpenSslPtr<ASN1_INTEGER, ASN1_INTEGER_free>;
inline void FreeAsn1TypeStack(STACK_OF(ASN1_TYPE) * stack) { sk_ASN1_TYPE_pop_free(stack, ASN1_TYPE_free); }
// A SEQUENCE or SET read as its elements, each freed with the stack.
using TAsn1TypeStackPtr = TOpenSslPtr<STACK_OF(ASN1_TYPE), FreeAsn1TypeStack>;

// A certificate shared between the store and the checks that use it.
inline TX509Ptr ShareCertificate(X509* certificate) {
  X509_up_ref(certificate);
  return TX509Ptr(certificate);
}
inline TX509CrlPtr ShareCrl(X509_CRL* crl) {
  X509_CRL_up_ref(crl);
  return TX509CrlPtr(crl);
}
