// Moment texts: the input as UTF-8 (how texts arrive from JSON) and, when it
// has an even length, as raw UTF-16 with lone surrogates and all.
#include "DecoderOracles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void judge(const QString& text)
{
    if (const auto problem = oracle::momentProblem(text)) {
        std::fprintf(stderr, "moment: %s\n", qPrintable(*problem));
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    judge(QString::fromUtf8(bytes, qsizetype(size)));
    if (size % 2 == 0) {
        // Copied, not cast: the fuzzer's buffer need not be aligned for QChar.
        QString units(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, size);
        judge(units);
    }
    return 0;
}
