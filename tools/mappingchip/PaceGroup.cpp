#include "tools/mappingchip/PaceGroup.h"

#include <openssl/ec.h>
#include <openssl/obj_mac.h>

#include <array>
#include <stdexcept>
#include <utility>

#include "tools/mappingchip/OpenSslHandles.h"

namespace mappingchip {

namespace {

struct TCurveId {
  int ParameterId;
  int Nid;
};

constexpr std::array<TCurveId, 11> kCurves{{
    {8, NID_X9_62_prime192v1},
    {9, NID_brainpoolP192r1},
    {10, NID_secp224r1},
    {11, NID_brainpoolP224r1},
    {12, NID_X9_62_prime256v1},
    {13, NID_brainpoolP256r1},
    {14, NID_brainpoolP320r1},
    {15, NID_secp384r1},
    {16, NID_brainpoolP384r1},
    {17, NID_brainpoolP512r1},
    {18, NID_secp521r1},
}};

// RFC 5114 section 2.1: 1024-bit MODP group with 160-bit prime order subgroup.
constexpr const char* kModp1024P =
    "B10B8F96A080E01DDE92DE5EAE5D54EC52C99FBCFB06A3C69A6A9DCA52D23B616073E28675A23D189838EF1E2EE652C013ECB4AEA9061123"
    "24975C3CD49B83BFACCBDD7D90C4BD7098488E9C219A73724EFFD6FAE5644738FAA31A4FF55BCCC0A151AF5F0DC8B4BD45BF37DF365C1A65"
    "E68CFDA76D4DA708DF1FB2BC2E4A4371";
constexpr const char* kModp1024G =
    "A4D1CBD5C3FD34126765A442EFB99905F8104DD258AC507FD6406CFF14266D31266FEA1E5C41564B777E690F5504F213160217B4B01B886A"
    "5E91547F9E2749F4D7FBD7D3B9A92EE1909D0D2263F80A76A6A24C087A091F531DBF0A0169B6A28AD662A4D18E73AFA32D779D5918D08BC8"
    "858F4DCEF97C2A24855E6EEB22B3B2E5";
constexpr const char* kModp1024Q = "F518AA8781A8DF278ABA4E7D64B7CB9D49462353";

TBn Bn() {
  TBn n(BN_new());
  if (!n) throw std::bad_alloc();
  return n;
}

TBn BnHex(const char* hex) {
  BIGNUM* n = nullptr;
  if (BN_hex2bn(&n, hex) == 0) throw std::runtime_error("bad group constant");
  return TBn(n);
}

TBn BnOf(std::span<const std::uint8_t> bytes) {
  TBn n(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
  if (!n) throw std::bad_alloc();
  return n;
}

TBytes Padded(const BIGNUM& n, std::size_t length) {
  TBytes out(length);
  if (BN_bn2binpad(&n, out.data(), static_cast<int>(length)) < 0) throw std::runtime_error("number too long");
  return out;
}

void Check(int ok) {
  if (ok != 1) throw std::runtime_error("elliptic curve arithmetic failed");
}

class TCurveGroup final : public TPaceGroup {
public:
  explicit TCurveGroup(int nid) : group_(EC_GROUP_new_by_curve_name(nid)), context_(BN_CTX_new()) {
    if (!group_ || !context_) throw std::runtime_error("curve not available");
    generator_.reset(EC_POINT_dup(EC_GROUP_get0_generator(group_.get()), group_.get()));
    p_ = Bn();
    a_ = Bn();
    b_ = Bn();
    Check(EC_GROUP_get_curve(group_.get(), p_.get(), a_.get(), b_.get(), context_.get()));
    fieldLength_ = static_cast<std::size_t>(BN_num_bytes(p_.get()));
  }

  bool IsEllipticCurve() const override { return true; }
  const BIGNUM& Order() const override { return *EC_GROUP_get0_order(group_.get()); }
  int FieldBits() const override { return BN_num_bits(p_.get()); }

  TBytes PublicKey(const BIGNUM& privateKey) const override {
    TEcPoint point(EC_POINT_new(group_.get()));
    Check(EC_POINT_mul(group_.get(), point.get(), nullptr, generator_.get(), &privateKey, context_.get()));
    return Encode(*point);
  }

  std::optional<TBytes> Agree(const BIGNUM& privateKey, std::span<const std::uint8_t> publicKey) const override {
    const TEcPoint peer = Decode(publicKey);
    if (!peer) return std::nullopt;
    TEcPoint shared(EC_POINT_new(group_.get()));
    Check(EC_POINT_mul(group_.get(), shared.get(), nullptr, peer.get(), &privateKey, context_.get()));
    if (EC_POINT_is_at_infinity(group_.get(), shared.get())) return std::nullopt;
    TBn x = Bn();
    Check(EC_POINT_get_affine_coordinates(group_.get(), shared.get(), x.get(), nullptr, context_.get()));
    return Padded(*x, fieldLength_);
  }

  bool MapGeneric(const BIGNUM& s, const BIGNUM& privateKey, std::span<const std::uint8_t> terminalKey) override {
    const TEcPoint peer = Decode(terminalKey);
    if (!peer) return false;
    TEcPoint h(EC_POINT_new(group_.get()));
    Check(EC_POINT_mul(group_.get(), h.get(), nullptr, peer.get(), &privateKey, context_.get()));
    TBn one = Bn();
    Check(BN_one(one.get()));
    TEcPoint mapped(EC_POINT_new(group_.get()));
    // s·G + 1·H, G the curve's own generator.
    Check(EC_POINT_mul(group_.get(), mapped.get(), &s, h.get(), one.get(), context_.get()));
    if (EC_POINT_is_at_infinity(group_.get(), mapped.get())) return false;
    generator_ = std::move(mapped);
    return true;
  }

  // The point encoding f_G for p = 3 mod 4: from t = Rp a point (x, y) on the curve.
  bool MapIntegrated(std::span<const std::uint8_t> random) override {
    if (!BN_is_bit_set(p_.get(), 0) || !BN_is_bit_set(p_.get(), 1)) return false;  // needs p = 3 mod 4
    BN_CTX* c = context_.get();
    const BIGNUM* p = p_.get();
    TBn t = BnOf(random);
    Check(BN_nnmod(t.get(), t.get(), p, c));
    // alpha = -t^2
    TBn alpha = Bn();
    Check(BN_mod_sqr(alpha.get(), t.get(), p, c));
    Check(BN_mod_sub(alpha.get(), p, alpha.get(), p, c));
    // alpha + alpha^2
    TBn alphaSquared = Bn();
    Check(BN_mod_sqr(alphaSquared.get(), alpha.get(), p, c));
    TBn sum = Bn();
    Check(BN_mod_add(sum.get(), alpha.get(), alphaSquared.get(), p, c));
    // X2 = -b (1 + alpha + alpha^2) (a (alpha + alpha^2))^(p-2)
    TBn denominator = Bn();
    Check(BN_mod_mul(denominator.get(), a_.get(), sum.get(), p, c));
    TBn pMinus2 = Bn();
    Check(BN_sub(pMinus2.get(), p, BN_value_one()));
    Check(BN_sub(pMinus2.get(), pMinus2.get(), BN_value_one()));
    Check(BN_mod_exp(denominator.get(), denominator.get(), pMinus2.get(), p, c));
    TBn numerator = Bn();
    Check(BN_mod_add(numerator.get(), sum.get(), BN_value_one(), p, c));
    Check(BN_mod_mul(numerator.get(), numerator.get(), b_.get(), p, c));
    Check(BN_mod_sub(numerator.get(), p, numerator.get(), p, c));
    TBn x2 = Bn();
    Check(BN_mod_mul(x2.get(), numerator.get(), denominator.get(), p, c));
    // X3 = alpha X2
    TBn x3 = Bn();
    Check(BN_mod_mul(x3.get(), alpha.get(), x2.get(), p, c));
    // h2 = X2^3 + a X2 + b
    TBn h2 = Bn();
    Check(BN_mod_sqr(h2.get(), x2.get(), p, c));
    Check(BN_mod_add(h2.get(), h2.get(), a_.get(), p, c));
    Check(BN_mod_mul(h2.get(), h2.get(), x2.get(), p, c));
    Check(BN_mod_add(h2.get(), h2.get(), b_.get(), p, c));
    // U = t^3 h2
    TBn u = Bn();
    Check(BN_mod_sqr(u.get(), t.get(), p, c));
    Check(BN_mod_mul(u.get(), u.get(), t.get(), p, c));
    Check(BN_mod_mul(u.get(), u.get(), h2.get(), p, c));
    // A = h2^(p - 1 - (p + 1)/4)
    TBn exponent = Bn();
    Check(BN_add(exponent.get(), p, BN_value_one()));
    Check(BN_rshift(exponent.get(), exponent.get(), 2));
    TBn pMinus1 = Bn();
    Check(BN_sub(pMinus1.get(), p, BN_value_one()));
    Check(BN_sub(exponent.get(), pMinus1.get(), exponent.get()));
    TBn a = Bn();
    Check(BN_mod_exp(a.get(), h2.get(), exponent.get(), p, c));
    // A^2 h2 = 1: (X2, A h2), else (X3, A U)
    TBn test = Bn();
    Check(BN_mod_sqr(test.get(), a.get(), p, c));
    Check(BN_mod_mul(test.get(), test.get(), h2.get(), p, c));
    TBn y = Bn();
    const bool first = BN_is_one(test.get());
    Check(BN_mod_mul(y.get(), a.get(), first ? h2.get() : u.get(), p, c));
    TEcPoint mapped(EC_POINT_new(group_.get()));
    if (EC_POINT_set_affine_coordinates(group_.get(), mapped.get(), first ? x2.get() : x3.get(), y.get(), c) != 1)
      return false;
    // Into the subgroup of order n: times the cofactor.
    const BIGNUM* cofactor = EC_GROUP_get0_cofactor(group_.get());
    if (cofactor && !BN_is_one(cofactor))
      Check(EC_POINT_mul(group_.get(), mapped.get(), nullptr, mapped.get(), cofactor, c));
    if (EC_POINT_is_at_infinity(group_.get(), mapped.get())) return false;
    generator_ = std::move(mapped);
    return true;
  }

  TBytes Generator() const override { return Encode(*generator_); }

private:
  TBytes Encode(const EC_POINT& point) const {
    TBytes out(1 + 2 * fieldLength_);
    if (EC_POINT_point2oct(group_.get(), &point, POINT_CONVERSION_UNCOMPRESSED, out.data(), out.size(),
                           context_.get()) != out.size())
      throw std::runtime_error("point encoding failed");
    return out;
  }

  // An uncompressed point on the curve, not at infinity; null otherwise.
  TEcPoint Decode(std::span<const std::uint8_t> bytes) const {
    if (bytes.size() != 1 + 2 * fieldLength_ || bytes[0] != 0x04) return nullptr;
    TEcPoint point(EC_POINT_new(group_.get()));
    if (EC_POINT_oct2point(group_.get(), point.get(), bytes.data(), bytes.size(), context_.get()) != 1 ||
        EC_POINT_is_at_infinity(group_.get(), point.get()) ||
        EC_POINT_is_on_curve(group_.get(), point.get(), context_.get()) != 1)
      return nullptr;
    return point;
  }

  TEcGroup group_;
  TBnCtx context_;
  TEcPoint generator_;
  TBn p_, a_, b_;
  std::size_t fieldLength_ = 0;
};

class TModpGroup final : public TPaceGroup {
public:
  TModpGroup()
      : p_(BnHex(kModp1024P)),
        q_(BnHex(kModp1024Q)),
        g_(BnHex(kModp1024G)),
        generator_(BN_dup(g_.get())),
        context_(BN_CTX_new()) {
    if (!generator_ || !context_) throw std::bad_alloc();
    length_ = static_cast<std::size_t>(BN_num_bytes(p_.get()));
  }

  bool IsEllipticCurve() const override { return false; }
  const BIGNUM& Order() const override { return *q_; }
  int FieldBits() const override { return BN_num_bits(p_.get()); }

  TBytes PublicKey(const BIGNUM& privateKey) const override {
    TBn y = Bn();
    Check(BN_mod_exp(y.get(), generator_.get(), &privateKey, p_.get(), context_.get()));
    return Padded(*y, length_);
  }

  std::optional<TBytes> Agree(const BIGNUM& privateKey, std::span<const std::uint8_t> publicKey) const override {
    const TBn peer = Member(publicKey);
    if (!peer) return std::nullopt;
    TBn secret = Bn();
    Check(BN_mod_exp(secret.get(), peer.get(), &privateKey, p_.get(), context_.get()));
    return Padded(*secret, length_);
  }

  bool MapGeneric(const BIGNUM& s, const BIGNUM& privateKey, std::span<const std::uint8_t> terminalKey) override {
    const TBn peer = Member(terminalKey);
    if (!peer) return false;
    TBn h = Bn();
    Check(BN_mod_exp(h.get(), peer.get(), &privateKey, p_.get(), context_.get()));
    TBn mapped = Bn();
    Check(BN_mod_exp(mapped.get(), g_.get(), &s, p_.get(), context_.get()));
    Check(BN_mod_mul(mapped.get(), mapped.get(), h.get(), p_.get(), context_.get()));
    if (BN_is_one(mapped.get())) return false;
    generator_ = std::move(mapped);
    return true;
  }

  // g~ = Rp^((p-1)/q) mod p, which must not be 1.
  bool MapIntegrated(std::span<const std::uint8_t> random) override {
    TBn rp = BnOf(random);
    Check(BN_nnmod(rp.get(), rp.get(), p_.get(), context_.get()));
    TBn exponent = Bn();
    Check(BN_sub(exponent.get(), p_.get(), BN_value_one()));
    Check(BN_div(exponent.get(), nullptr, exponent.get(), q_.get(), context_.get()));
    TBn mapped = Bn();
    Check(BN_mod_exp(mapped.get(), rp.get(), exponent.get(), p_.get(), context_.get()));
    if (BN_is_one(mapped.get()) || BN_is_zero(mapped.get())) return false;
    generator_ = std::move(mapped);
    return true;
  }

  TBytes Generator() const override { return Padded(*generator_, length_); }

private:
  // A public value 1 < y < p - 1 of the subgroup of order q; null otherwise.
  TBn Member(std::span<const std::uint8_t> bytes) const {
    if (bytes.empty() || bytes.size() > length_) return nullptr;
    TBn y = BnOf(bytes);
    TBn pMinus1 = Bn();
    Check(BN_sub(pMinus1.get(), p_.get(), BN_value_one()));
    if (BN_cmp(y.get(), BN_value_one()) <= 0 || BN_cmp(y.get(), pMinus1.get()) >= 0) return nullptr;
    TBn check = Bn();
    Check(BN_mod_exp(check.get(), y.get(), q_.get(), p_.get(), context_.get()));
    if (!BN_is_one(check.get())) return nullptr;
    return y;
  }

  TBn p_, q_, g_;
  TBn generator_;
  TBnCtx context_;
  std::size_t length_ = 0;
};

}  // namespace

std::unique_ptr<TPaceGroup> MakePaceGroup(int parameterId) {
  if (parameterId == 0) return std::make_unique<TModpGroup>();
  for (const TCurveId& curve : kCurves)
    if (curve.ParameterId == parameterId) return std::make_unique<TCurveGroup>(curve.Nid);
  return nullptr;
}

}  // namespace mappingchip
