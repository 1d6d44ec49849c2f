#pragma once

// Texts arrive from JSON as UTF-8; a QString can also hold what UTF-8 never
// gives, lone surrogates among them. A text judge sees the input both ways:
// as UTF-8 and, when its length is even, as raw UTF-16.
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

// `problem` gives what is wrong with the decoding of a text, if anything.
template <class Problem>
int judgeAsTexts(const std::uint8_t* data, std::size_t size, const char* what, Problem problem)
{
    const auto judge = [&](const QString& text) {
        if (const std::optional<QString> found = problem(text)) {
            std::fprintf(stderr, "%s: %s\n", what, qPrintable(*found));
            std::abort();
        }
    };
    judge(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (size % 2 == 0) {
        // Copied, not cast: the fuzzer's buffer need not be aligned for QChar.
        QString units(qsizetype(size / 2), Qt::Uninitialized);
        std::memcpy(units.data(), data, size);
        judge(units);
    }
    return 0;
}
