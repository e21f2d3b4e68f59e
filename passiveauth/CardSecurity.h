#pragma once
// EF.CardSecurity (file 011D of the master file): a CMS SignedData, with no
// wrapper, whose eContentType is id-SecurityObject (0.4.0.127.0.7.3.2.1) and
// whose content is the chip's SecurityInfos. Verified like EF.SOD: the
// signature with the signer's certificate (embedded, or among the store's
// document signers), then the chain to a CSCA of the trust store, validity at
// the time of reading and the CRLs, all with EF.SOD's rules.

#include <chrono>
#include <cstdint>
#include <span>

#include "document/CardSecurityCheck.h"
#include "passiveauth/ChainCheck.h"
#include "trust/TrustStore.h"

TCardSecurityCheck VerifyCardSecurity(std::span<const std::uint8_t> file, const TTrustStore& store,
                                      std::chrono::system_clock::time_point at, const TChainSettings& settings = {});
