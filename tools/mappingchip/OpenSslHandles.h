#pragma once
// Owning handles of the OpenSSL objects the chip's own PACE works with.

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>

#include <memory>

namespace mappingchip {

struct TBnFree {
  void operator()(BIGNUM* n) const { BN_clear_free(n); }
};
struct TBnCtxFree {
  void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};
struct TEcGroupFree {
  void operator()(EC_GROUP* g) const { EC_GROUP_free(g); }
};
struct TEcPointFree {
  void operator()(EC_POINT* p) const { EC_POINT_clear_free(p); }
};
struct TCipherCtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

using TBn = std::unique_ptr<BIGNUM, TBnFree>;
using TBnCtx = std::unique_ptr<BN_CTX, TBnCtxFree>;
using TEcGroup = std::unique_ptr<EC_GROUP, TEcGroupFree>;
using TEcPoint = std::unique_ptr<EC_POINT, TEcPointFree>;
using TCipherCtx = std::unique_ptr<EVP_CIPHER_CTX, TCipherCtxFree>;

}  // namespace mappingchip
