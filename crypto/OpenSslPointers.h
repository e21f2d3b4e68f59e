#pragma once
// OpenSSL objects owned by std::unique_ptr, each with the free function that
// releases it, so that every early return of the checks frees what it made.

#include <memory>

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

template <auto FreeFunction>
struct TOpenSslFree {
  template <typename T>
  void operator()(T* object) const {
    FreeFunction(object);
  }
};

using TX509Ptr = std::unique_ptr<X509, TOpenSslFree<X509_free>>;
using TX509CrlPtr = std::unique_ptr<X509_CRL, TOpenSslFree<X509_CRL_free>>;
using TX509StorePtr = std::unique_ptr<X509_STORE, TOpenSslFree<X509_STORE_free>>;
using TX509StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, TOpenSslFree<X509_STORE_CTX_free>>;
using TCmsPtr = std::unique_ptr<CMS_ContentInfo, TOpenSslFree<CMS_ContentInfo_free>>;
using TBioPtr = std::unique_ptr<BIO, TOpenSslFree<BIO_free_all>>;
using TEvpMdPtr = std::unique_ptr<EVP_MD, TOpenSslFree<EVP_MD_free>>;
using TEvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, TOpenSslFree<EVP_MD_CTX_free>>;
using TEvpPkeyPtr = std::unique_ptr<EVP_PKEY, TOpenSslFree<EVP_PKEY_free>>;

// A certificate shared between the store and the checks that use it.
inline TX509Ptr ShareCertificate(X509* certificate) {
  X509_up_ref(certificate);
  return TX509Ptr(certificate);
}
inline TX509CrlPtr ShareCrl(X509_CRL* crl) {
  X509_CRL_up_ref(crl);
  return TX509CrlPtr(crl);
}
