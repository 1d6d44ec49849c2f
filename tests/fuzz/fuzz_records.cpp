// Answer bodies through parseBody and one record decoder, chosen by the
// first byte; the rest is the body. An answer must decode whole or be refused
// with a DecodingError. The seeds under corpus/ start with '0' plus the
// decoder's place in oracle::decoderOracles().
#include "DecoderOracles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto& oracles = oracle::decoderOracles();
    const oracle::DecoderOracle& decoder = oracles[data[0] % oracles.size()];
    const QByteArray body = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1),
                                                    qsizetype(size - 1));
    const oracle::Verdict verdict = oracle::judgeAnswer(decoder, body);
    if (verdict.outcome == oracle::Verdict::wrong) {
        std::fprintf(stderr, "%s: %s\n", decoder.name, qPrintable(verdict.problem));
        std::abort();
    }
    return 0;
}
