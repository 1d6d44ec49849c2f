// Build tool: copies a TrueType font with its family renamed.
//   lumaro_rename_font_family IN OUT OLD NEW    (OLD and NEW of equal length)
//
// The console embeds its icon font, but the same family may be installed on
// the system too, in other formats or versions; Qt then may draw from the
// installed copy (a WOFF2 one costs a Brotli decode at every start). A family
// name of the console's own makes every lookup find the embedded copy.
// Names of equal length keep every offset in the file, so only the names and
// the checksums change.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

uint32_t read16(const Bytes& b, size_t at) { return uint32_t(b[at]) << 8 | b[at + 1]; }
uint32_t read32(const Bytes& b, size_t at) { return read16(b, at) << 16 | read16(b, at + 2); }

void write32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (24 - 8 * i)) & 0xff;
}

uint32_t checksum(const Bytes& b, size_t at, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < length; i += 4) {
        uint32_t word = 0;
        for (size_t j = 0; j < 4; ++j)
            word = word << 8 | (at + i + j < b.size() && i + j < length ? b[at + i + j] : 0);
        sum += word;
    }
    return sum;
}

// Replaces every occurrence of `from` by `to` (same size) in [at, at + length).
int replaceIn(Bytes& b, size_t at, size_t length, const Bytes& from, const Bytes& to)
{
    int count = 0;
    for (size_t i = at; i + from.size() <= at + length; ++i) {
        if (std::equal(from.begin(), from.end(), b.begin() + i)) {
            std::copy(to.begin(), to.end(), b.begin() + i);
            i += from.size() - 1;
            ++count;
        }
    }
    return count;
}

Bytes utf16be(const std::string& ascii)
{
    Bytes out;
    for (char c : ascii) {
        out.push_back(0);
        out.push_back(static_cast<unsigned char>(c));
    }
    return out;
}

int fail(const char* why)
{
    std::fprintf(stderr, "lumaro_rename_font_family: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 5)
        return fail("usage: IN OUT OLD NEW");
    const std::string from = argv[3], to = argv[4];
    if (from.size() != to.size() || from.empty())
        return fail("OLD and NEW must be of equal, non-zero length");

    std::ifstream in(argv[1], std::ios::binary);
    if (!in)
        return fail("cannot open the font");
    Bytes font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (font.size() < 12)
        return fail("cannot read the font");

    // The table directory: 12-byte header, then 16-byte records (tag, checksum, offset, length).
    const size_t tables = read16(font, 4);
    if (12 + 16 * tables > font.size())
        return fail("not a TrueType font");
    size_t nameRecord = 0, headRecord = 0;
    for (size_t i = 0; i < tables; ++i) {
        const size_t record = 12 + 16 * i;
        const std::string tag(font.begin() + record, font.begin() + record + 4);
        if (read32(font, record + 8) + uint64_t(read32(font, record + 12)) > font.size())
            return fail("a table lies outside the file");
        if (tag == "name")
            nameRecord = record;
        else if (tag == "head")
            headRecord = record;
    }
    if (!nameRecord || !headRecord)
        return fail("the font has no name or head table");

    const size_t nameAt = read32(font, nameRecord + 8), nameLength = read32(font, nameRecord + 12);
    const int renamed = replaceIn(font, nameAt, nameLength, Bytes(from.begin(), from.end()), Bytes(to.begin(), to.end()))
                        + replaceIn(font, nameAt, nameLength, utf16be(from), utf16be(to));
    if (renamed == 0)
        return fail("the old family name is not in the font");  // a changed font must not slip through
    write32(font, nameRecord + 4, checksum(font, nameAt, nameLength));

    // The whole-file checksum is kept in head.checkSumAdjustment, computed with it zeroed.
    const size_t adjustmentAt = read32(font, headRecord + 8) + 8;
    if (adjustmentAt + 4 > font.size())
        return fail("the head table is too short");
    write32(font, adjustmentAt, 0);
    write32(font, adjustmentAt, 0xB1B0AFBAu - checksum(font, 0, font.size()));

    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(font.data()), std::streamsize(font.size()));
    out.close();
    if (!out)
        return fail("cannot write the font");
    return 0;
}
