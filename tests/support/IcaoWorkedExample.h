#pragma once
// Published values of the worked example of ICAO Doc 9303 Part 11, Appendix D
// (Basic Access Control and secure messaging with two-key triple DES).

#include <string>

#include "support/FakeCard.h"

namespace icao {

inline const std::string kMrzInformation = "L898902C<369080619406236";

inline const TBytes kSeed = Hex("239AB9CB282DAF66231DC5A4DF6BFBAE");
inline const TBytes kEnc = Hex("AB94FDECF2674FDFB9B391F85D7F76F2");
inline const TBytes kMac = Hex("7962D9ECE03D1ACD4C76089DCE131543");

inline const TBytes kGetChallenge = Hex("0084000008");
inline const TBytes kRndIcc = Hex("4608F91988702212");
inline const TBytes kRndIfd = Hex("781723860C06C226");
inline const TBytes kKIfd = Hex("0B795240CB7049B01C19B33E32804F0B");
inline const TBytes kS = Hex("781723860C06C2264608F919887022120B795240CB7049B01C19B33E32804F0B");
inline const TBytes kEIfd = Hex("72C29C2371CC9BDB65B779B8E8D37B29ECC154AA56A8799FAE2F498F76ED92F2");
inline const TBytes kMIfd = Hex("5F1448EEA8AD90A7");
inline const TBytes kExternalAuthenticate =
    Hex("0082000028"
        "72C29C2371CC9BDB65B779B8E8D37B29ECC154AA56A8799FAE2F498F76ED92F25F1448EEA8AD90A7"
        "28");
inline const TBytes kKIcc = Hex("0B4F80323EB3191CB04970CB4052790B");
inline const TBytes kR = Hex("4608F91988702212781723860C06C2260B4F80323EB3191CB04970CB4052790B");
inline const TBytes kEIcc = Hex("46B9342A41396CD7386BF5803104D7CEDC122B9132139BAF2EEDC94EE178534F");
inline const TBytes kMIcc = Hex("2F2D235D074D7449");
inline const TBytes kAuthenticateAnswer = Concat({kEIcc, kMIcc, Hex("9000")});

inline const TBytes kSessionSeed = Hex("0036D272F5C350ACAC50C3F572D23600");
inline const TBytes kSessionEnc = Hex("979EC13B1CBFE9DCD01AB0FED307EAE5");
inline const TBytes kSessionMac = Hex("F1CB1F1FB5ADF208806B89DC579DC1F8");
inline const TBytes kSscInitial = Hex("887022120C06C226");

inline const TBytes kSelectDo87 = Hex("8709016375432908C044F6");
inline const TBytes kSelectCc = Hex("BF8B92D635FF24F8");
inline const TBytes kSelectCommand = Hex("0CA4020C158709016375432908C044F68E08BF8B92D635FF24F800");
inline const TBytes kSelectAnswer = Hex("990290008E08FA855A5D4C50A8ED9000");
inline const TBytes kSelectAnswerCc = Hex("FA855A5D4C50A8ED");

inline const TBytes kRead1Cc = Hex("ED6705417E96BA55");
inline const TBytes kRead1Command = Hex("0CB000000D9701048E08ED6705417E96BA5500");
inline const TBytes kRead1Answer = Hex("8709019FF0EC34F9922651990290008E08AD55CC17140B2DED9000");
inline const TBytes kRead1AnswerCc = Hex("AD55CC17140B2DED");
inline const TBytes kRead1Plaintext = Hex("60145F01");

inline const TBytes kRead2Cc = Hex("2EA28A70F3C7B535");
inline const TBytes kRead2Command = Hex("0CB000040D9701128E082EA28A70F3C7B53500");
inline const TBytes kRead2Answer =
    Hex("871901FB9235F4E4037F2327DCC8964F1F9B8C30F42C8E2FFF224A990290008E08C8B2787EAEA07D749000");
inline const TBytes kRead2AnswerCc = Hex("C8B2787EAEA07D74");
inline const TBytes kRead2Plaintext = Hex("04303130365F36063034303030305C026175");

inline const TBytes kEfCom = Hex("60145F0104303130365F36063034303030305C026175");

}  // namespace icao
