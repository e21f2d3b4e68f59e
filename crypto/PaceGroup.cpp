#include "crypto/PaceGroup.h"

#include <stdexcept>
#include <string>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include "crypto/OpenSslPointers.h"
#include "crypto/RandomSource.h"

namespace {

void Require(bool done, const char* what) {
  if (!done) throw std::runtime_error(std::string(what) + " failed in libcrypto");
}

TPrivateKey NewSecretNumber() {
  TPrivateKey number(BN_secure_new());
  Require(number != nullptr, "BN_secure_new");
  return number;
}

// A number in 1..order-1 from the random source in use.
TPrivateKey RandomBelow(const BIGNUM& order) {
  const int bits = BN_num_bits(&order);
  TSecretBuffer bytes(static_cast<std::size_t>(BN_num_bytes(&order)));
  const int spareBits = static_cast<int>(bytes.size()) * 8 - bits;
  TPrivateKey number = NewSecretNumber();
  for (;;) {
    RandomBytes(bytes.Bytes());
    bytes.data()[0] &= static_cast<std::uint8_t>(0xFF >> spareBits);
    Require(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), number.get()) != nullptr, "BN_bin2bn");
    if (!BN_is_zero(number.get()) && BN_cmp(number.get(), &order) < 0) return number;
  }
}

TSecretBuffer PaddedBytes(const BIGNUM& number, std::size_t length) {
  TSecretBuffer bytes(length);
  Require(BN_bn2binpad(&number, bytes.data(), static_cast<int>(length)) == static_cast<int>(length), "BN_bn2binpad");
  return bytes;
}

class TEcGroup final : public TPaceGroup {
public:
  explicit TEcGroup(int curveNid) : TEcGroup(EC_GROUP_new_by_curve_name(curveNid)) {}
  // Takes group.
  explicit TEcGroup(EC_GROUP* group) : group_(group) {
    Require(group_ != nullptr, "EC_GROUP");
    generator_.reset(EC_POINT_dup(EC_GROUP_get0_generator(group_.get()), group_.get()));
    Require(generator_ != nullptr, "EC_POINT_dup");
    fieldLength_ = static_cast<std::size_t>((EC_GROUP_get_degree(group_.get()) + 7) / 8);
  }

  TPrivateKey NewPrivateKey() const override { return RandomBelow(*EC_GROUP_get0_order(group_.get())); }

  std::vector<std::uint8_t> PublicKey(const BIGNUM& sk) const override {
    // On the standard generator libcrypto's fixed-base multiplication (with
    // its precomputed tables where the curve has them) does the work.
    const TSecretEcPointPtr point = mapped_ ? Multiply(*generator_, sk) : MultiplyGenerator(sk);
    const TSecretBuffer encoded = Encode(*point);
    return {encoded.Bytes().begin(), encoded.Bytes().end()};
  }

  std::optional<TSecretBuffer> SharedElement(const BIGNUM& sk, std::span<const std::uint8_t> peer) const override {
    const TSecretEcPointPtr point = Decode(peer);
    if (!point) return std::nullopt;
    const TSecretEcPointPtr shared = Multiply(*point, sk);
    if (EC_POINT_is_at_infinity(group_.get(), shared.get())) return std::nullopt;
    return Encode(*shared);
  }

  std::optional<TSecretBuffer> SharedSecret(const BIGNUM& sk, std::span<const std::uint8_t> peer) const override {
    std::optional<TSecretBuffer> point = SharedElement(sk, peer);
    if (!point) return std::nullopt;
    return TSecretBuffer(point->Bytes().subspan(1, fieldLength_));
  }

  bool MapGenerator(std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> h) override {
    const TSecretEcPointPtr hPoint = Decode(h);
    if (!hPoint) return false;
    TPrivateKey s = NewSecretNumber();
    Require(BN_bin2bn(nonce.data(), static_cast<int>(nonce.size()), s.get()) != nullptr, "BN_bin2bn");
    TSecretEcPointPtr mapped = Multiply(*EC_GROUP_get0_generator(group_.get()), *s);
    const TBnCtxPtr context(BN_CTX_secure_new());
    Require(context && EC_POINT_add(group_.get(), mapped.get(), mapped.get(), hPoint.get(), context.get()) == 1,
            "EC_POINT_add");
    if (EC_POINT_is_at_infinity(group_.get(), mapped.get())) return false;
    generator_ = std::move(mapped);
    mapped_ = true;
    return true;
  }

  bool MapPseudoRandom(std::span<const std::uint8_t> pseudoRandom) override {
    TSecretEcPointPtr mapped = EncodePoint(pseudoRandom);
    if (!mapped) return false;
    generator_ = std::move(mapped);
    mapped_ = true;
    return true;
  }

  int PrimeBits() const override { return EC_GROUP_get_degree(group_.get()); }

  std::size_t OrderLength() const override {
    return static_cast<std::size_t>(BN_num_bytes(EC_GROUP_get0_order(group_.get())));
  }

  std::vector<std::uint8_t> Generator() const override {
    const TSecretBuffer encoded = Encode(*generator_);
    return {encoded.Bytes().begin(), encoded.Bytes().end()};
  }

  std::uint8_t PublicKeyTag() const override { return 0x86; }

private:
  // The point encoding fG of Integrated Mapping (9303-11 Appendix B.2, affine
  // coordinates) of t = int(pseudoRandom) mod p; nothing when p is not 3 mod 4,
  // t is 0 or the point is the neutral element. The exponentiations run in
  // constant time: t comes from the nonce.
  TSecretEcPointPtr EncodePoint(std::span<const std::uint8_t> pseudoRandom) const {
    const TBnCtxPtr context(BN_CTX_secure_new());
    const TBignumPtr p(BN_new());
    const TBignumPtr a(BN_new());
    const TBignumPtr b(BN_new());
    Require(context && p && a && b && EC_GROUP_get_curve(group_.get(), p.get(), a.get(), b.get(), context.get()) == 1,
            "EC_GROUP_get_curve");
    if (BN_mod_word(p.get(), 4) != 3) return nullptr;
    BN_CTX* ctx = context.get();
    const auto number = [] { return NewSecretNumber(); };
    const auto mul = [&](BIGNUM* r, const BIGNUM* x, const BIGNUM* y) {
      Require(BN_mod_mul(r, x, y, p.get(), ctx) == 1, "BN_mod_mul");
    };
    const auto add = [&](BIGNUM* r, const BIGNUM* x, const BIGNUM* y) {
      Require(BN_mod_add(r, x, y, p.get(), ctx) == 1, "BN_mod_add");
    };
    const auto power = [&](BIGNUM* r, const BIGNUM* x, const BIGNUM* e) {
      Require(BN_mod_exp_mont_consttime(r, x, e, p.get(), ctx, nullptr) == 1, "BN_mod_exp_mont_consttime");
    };
    const auto negate = [&](BIGNUM* r, const BIGNUM* x) {
      Require(BN_mod_sub(r, p.get(), x, p.get(), ctx) == 1, "BN_mod_sub");
    };

    TPrivateKey t = number();
    Require(BN_bin2bn(pseudoRandom.data(), static_cast<int>(pseudoRandom.size()), t.get()) != nullptr, "BN_bin2bn");
    Require(BN_nnmod(t.get(), t.get(), p.get(), ctx) == 1, "BN_nnmod");
    if (BN_is_zero(t.get())) return nullptr;

    // 1. alpha = -t^2
    TPrivateKey alpha = number();
    mul(alpha.get(), t.get(), t.get());
    negate(alpha.get(), alpha.get());
    // 2. X2 = -b (1 + alpha + alpha^2) (a (alpha + alpha^2))^(p-2)
    TPrivateKey alphaSum = number();  // alpha + alpha^2
    mul(alphaSum.get(), alpha.get(), alpha.get());
    add(alphaSum.get(), alphaSum.get(), alpha.get());
    TPrivateKey onePlus = number();  // 1 + alpha + alpha^2
    add(onePlus.get(), alphaSum.get(), BN_value_one());
    TPrivateKey inverse = number();  // (a (alpha + alpha^2))^(p-2)
    mul(inverse.get(), a.get(), alphaSum.get());
    const TBignumPtr pMinusTwo(BN_dup(p.get()));
    Require(pMinusTwo && BN_sub_word(pMinusTwo.get(), 2) == 1, "BN_sub_word");
    power(inverse.get(), inverse.get(), pMinusTwo.get());
    TPrivateKey x2 = number();
    negate(x2.get(), b.get());
    mul(x2.get(), x2.get(), onePlus.get());
    mul(x2.get(), x2.get(), inverse.get());
    // 3. X3 = alpha X2
    TPrivateKey x3 = number();
    mul(x3.get(), alpha.get(), x2.get());
    // 4. h2 = X2^3 + a X2 + b
    TPrivateKey h2 = number();
    TPrivateKey term = number();
    mul(h2.get(), x2.get(), x2.get());
    mul(h2.get(), h2.get(), x2.get());
    mul(term.get(), a.get(), x2.get());
    add(h2.get(), h2.get(), term.get());
    add(h2.get(), h2.get(), b.get());
    // 6. U = t^3 h2
    TPrivateKey u = number();
    mul(u.get(), t.get(), t.get());
    mul(u.get(), u.get(), t.get());
    mul(u.get(), u.get(), h2.get());
    // 7. A = h2^(p - 1 - (p + 1) / 4)
    const TBignumPtr exponent(BN_dup(p.get()));
    const TBignumPtr quarter(BN_dup(p.get()));
    Require(exponent && quarter && BN_add_word(quarter.get(), 1) == 1 &&
                BN_rshift(quarter.get(), quarter.get(), 2) == 1 && BN_sub_word(exponent.get(), 1) == 1 &&
                BN_sub(exponent.get(), exponent.get(), quarter.get()) == 1,
            "BN exponent");
    TPrivateKey bigA = number();
    power(bigA.get(), h2.get(), exponent.get());
    // 8./9. A^2 h2 = 1: (X2, A h2), else (X3, A U)
    TPrivateKey check = number();
    mul(check.get(), bigA.get(), bigA.get());
    mul(check.get(), check.get(), h2.get());
    const bool square = BN_is_one(check.get());
    TPrivateKey y = number();
    mul(y.get(), bigA.get(), square ? h2.get() : u.get());
    const BIGNUM* x = square ? x2.get() : x3.get();

    TSecretEcPointPtr point(EC_POINT_new(group_.get()));
    Require(point != nullptr, "EC_POINT_new");
    if (EC_POINT_set_affine_coordinates(group_.get(), point.get(), x, y.get(), ctx) != 1) return nullptr;
    // 10. times the cofactor
    const BIGNUM* cofactor = EC_GROUP_get0_cofactor(group_.get());
    if (cofactor && !BN_is_one(cofactor)) point = Multiply(*point, *cofactor);
    if (EC_POINT_is_at_infinity(group_.get(), point.get())) return nullptr;
    return point;
  }

  TSecretEcPointPtr MultiplyGenerator(const BIGNUM& scalar) const {
    TSecretEcPointPtr result(EC_POINT_new(group_.get()));
    const TBnCtxPtr context(BN_CTX_secure_new());
    Require(
        result && context && EC_POINT_mul(group_.get(), result.get(), &scalar, nullptr, nullptr, context.get()) == 1,
        "EC_POINT_mul");
    return result;
  }

  TSecretEcPointPtr Multiply(const EC_POINT& point, const BIGNUM& scalar) const {
    TSecretEcPointPtr result(EC_POINT_new(group_.get()));
    const TBnCtxPtr context(BN_CTX_secure_new());
    Require(result && context && EC_POINT_mul(group_.get(), result.get(), nullptr, &point, &scalar, context.get()) == 1,
            "EC_POINT_mul");
    return result;
  }

  TSecretBuffer Encode(const EC_POINT& point) const {
    TSecretBuffer encoded(1 + 2 * fieldLength_);
    const TBnCtxPtr context(BN_CTX_new());
    Require(EC_POINT_point2oct(group_.get(), &point, POINT_CONVERSION_UNCOMPRESSED, encoded.data(), encoded.size(),
                               context.get()) == encoded.size(),
            "EC_POINT_point2oct");
    return encoded;
  }

  // An uncompressed point on the curve, not at infinity; nothing otherwise.
  TSecretEcPointPtr Decode(std::span<const std::uint8_t> encoded) const {
    if (encoded.size() != 1 + 2 * fieldLength_ || encoded[0] != 0x04) return nullptr;
    TSecretEcPointPtr point(EC_POINT_new(group_.get()));
    const TBnCtxPtr context(BN_CTX_new());
    if (!point || !context ||
        EC_POINT_oct2point(group_.get(), point.get(), encoded.data(), encoded.size(), context.get()) != 1 ||
        EC_POINT_is_on_curve(group_.get(), point.get(), context.get()) != 1 ||
        EC_POINT_is_at_infinity(group_.get(), point.get()))
      return nullptr;
    return point;
  }

  TEcGroupPtr group_;
  TSecretEcPointPtr generator_;
  bool mapped_ = false;  // generator_ is no longer the curve's own
  std::size_t fieldLength_ = 0;
};

// p, q and g of one of libcrypto's named DH groups.
std::unique_ptr<TPaceGroup> MakeNamedDhGroup(std::string_view groupName);

class TDhGroup final : public TPaceGroup {
public:
  // Takes p, q and g (none null).
  TDhGroup(TBignumPtr p, TBignumPtr q, TBignumPtr g) : p_(std::move(p)), q_(std::move(q)) {
    Require(p_ && q_ && g, "DH parameters");
    standard_.reset(BN_dup(g.get()));
    generator_.reset(g.release());
    Require(standard_ != nullptr, "BN_dup");
    length_ = static_cast<std::size_t>(BN_num_bytes(p_.get()));
  }

  TPrivateKey NewPrivateKey() const override { return RandomBelow(*q_); }

  // An unsigned integer in the fewest bytes, as the public key data objects carry it: the chip
  // reads it that way and computes its token over that encoding, without leading zeros.
  std::vector<std::uint8_t> PublicKey(const BIGNUM& sk) const override {
    const TPrivateKey y = Power(*generator_, sk);
    std::vector<std::uint8_t> encoded(static_cast<std::size_t>(BN_num_bytes(y.get())));
    Require(BN_bn2bin(y.get(), encoded.data()) == static_cast<int>(encoded.size()), "BN_bn2bin");
    return encoded;
  }

  std::optional<TSecretBuffer> SharedElement(const BIGNUM& sk, std::span<const std::uint8_t> peer) const override {
    const TPrivateKey y = Decode(peer);
    if (!y) return std::nullopt;
    const TPrivateKey shared = Power(*y, sk);
    if (BN_is_one(shared.get())) return std::nullopt;
    return PaddedBytes(*shared, length_);
  }

  std::optional<TSecretBuffer> SharedSecret(const BIGNUM& sk, std::span<const std::uint8_t> peer) const override {
    return SharedElement(sk, peer);
  }

  bool MapGenerator(std::span<const std::uint8_t> nonce, std::span<const std::uint8_t> h) override {
    const TPrivateKey hNumber = Decode(h);
    if (!hNumber) return false;
    TPrivateKey s = NewSecretNumber();
    Require(BN_bin2bn(nonce.data(), static_cast<int>(nonce.size()), s.get()) != nullptr, "BN_bin2bn");
    TPrivateKey mapped = Power(*standard_, *s);
    const TBnCtxPtr context(BN_CTX_secure_new());
    Require(context && BN_mod_mul(mapped.get(), mapped.get(), hNumber.get(), p_.get(), context.get()) == 1,
            "BN_mod_mul");
    if (BN_is_one(mapped.get())) return false;
    generator_.reset(mapped.release());
    return true;
  }

  bool MapPseudoRandom(std::span<const std::uint8_t> pseudoRandom) override {
    const TBnCtxPtr context(BN_CTX_secure_new());
    TPrivateKey rp = NewSecretNumber();
    Require(context && BN_bin2bn(pseudoRandom.data(), static_cast<int>(pseudoRandom.size()), rp.get()) != nullptr &&
                BN_nnmod(rp.get(), rp.get(), p_.get(), context.get()) == 1,
            "BN_nnmod");
    // The cofactor (p - 1) / q.
    const TBignumPtr cofactor(BN_dup(p_.get()));
    Require(cofactor && BN_sub_word(cofactor.get(), 1) == 1 &&
                BN_div(cofactor.get(), nullptr, cofactor.get(), q_.get(), context.get()) == 1,
            "BN_div");
    TPrivateKey mapped = Power(*rp, *cofactor);
    if (BN_is_zero(mapped.get()) || BN_is_one(mapped.get())) return false;
    generator_.reset(mapped.release());
    return true;
  }

  int PrimeBits() const override { return BN_num_bits(p_.get()); }

  std::size_t OrderLength() const override { return static_cast<std::size_t>(BN_num_bytes(q_.get())); }

  std::vector<std::uint8_t> Generator() const override {
    const TSecretBuffer encoded = PaddedBytes(*generator_, length_);
    return {encoded.Bytes().begin(), encoded.Bytes().end()};
  }

  std::uint8_t PublicKeyTag() const override { return 0x84; }

private:
  TPrivateKey Power(const BIGNUM& base, const BIGNUM& exponent) const {
    TPrivateKey result = NewSecretNumber();
    const TBnCtxPtr context(BN_CTX_secure_new());
    Require(context && BN_mod_exp_mont_consttime(result.get(), &base, &exponent, p_.get(), context.get(), nullptr) == 1,
            "BN_mod_exp_mont_consttime");
    return result;
  }

  // A number 1 < y < p - 1 in the subgroup of order q (y^q = 1); nothing otherwise. An unsigned
  // integer: chips may leave out its leading zero bytes, so it may be shorter than p.
  TPrivateKey Decode(std::span<const std::uint8_t> encoded) const {
    if (encoded.empty() || encoded.size() > length_) return nullptr;
    TPrivateKey y = NewSecretNumber();
    Require(BN_bin2bn(encoded.data(), static_cast<int>(encoded.size()), y.get()) != nullptr, "BN_bin2bn");
    const TBignumPtr pMinusOne(BN_dup(p_.get()));
    Require(pMinusOne && BN_sub_word(pMinusOne.get(), 1) == 1, "BN_sub_word");
    if (BN_cmp(y.get(), BN_value_one()) <= 0 || BN_cmp(y.get(), pMinusOne.get()) >= 0) return nullptr;
    const TPrivateKey order = Power(*y, *q_);
    if (!BN_is_one(order.get())) return nullptr;
    return y;
  }

  TBignumPtr p_;
  TBignumPtr q_;
  TBignumPtr standard_;
  TPrivateKey generator_;
  std::size_t length_ = 0;
};

std::unique_ptr<TPaceGroup> MakeNamedDhGroup(std::string_view groupName) {
  const TEvpPkeyCtxPtr context(EVP_PKEY_CTX_new_from_name(nullptr, "DH", nullptr));
  std::string name(groupName);
  const OSSL_PARAM parameters[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, name.data(), 0),
      OSSL_PARAM_construct_end(),
  };
  EVP_PKEY* key = nullptr;
  Require(context && EVP_PKEY_fromdata_init(context.get()) == 1 &&
              EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_KEY_PARAMETERS, const_cast<OSSL_PARAM*>(parameters)) == 1,
          "EVP_PKEY_fromdata (DH group)");
  const TEvpPkeyPtr owned(key);
  BIGNUM* p = nullptr;
  BIGNUM* q = nullptr;
  BIGNUM* g = nullptr;
  const bool got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_FFC_P, &p) == 1 &&
                   EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_FFC_Q, &q) == 1 &&
                   EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_FFC_G, &g) == 1;
  TBignumPtr pNumber(p);
  TBignumPtr qNumber(q);
  TBignumPtr gNumber(g);
  Require(got, "EVP_PKEY_get_bn_param (DH group)");
  return std::make_unique<TDhGroup>(std::move(pNumber), std::move(qNumber), std::move(gNumber));
}

}  // namespace

std::unique_ptr<TPaceGroup> MakePaceGroup(const TPaceDomain& domain) {
  if (domain.Agreement == TPaceAgreement::Ecdh) return std::make_unique<TEcGroup>(domain.CurveNid);
  return MakeNamedDhGroup(domain.GroupName);
}

std::unique_ptr<TPaceGroup> MakeEcGroup(const EC_GROUP& curve) {
  return std::make_unique<TEcGroup>(EC_GROUP_dup(&curve));
}

std::unique_ptr<TPaceGroup> MakeDhGroup(const BIGNUM& p, const BIGNUM& q, const BIGNUM& g) {
  return std::make_unique<TDhGroup>(TBignumPtr(BN_dup(&p)), TBignumPtr(BN_dup(&q)), TBignumPtr(BN_dup(&g)));
}
