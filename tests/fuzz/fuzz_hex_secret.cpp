// Device secrets and the unlock code made from them, as UTF-8 and as raw UTF-16.
#include "DecoderOracles.h"
#include "FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return judgeAsTexts(data, size, "secret", [](const QString& text) { return oracle::secretProblem(text); });
}
