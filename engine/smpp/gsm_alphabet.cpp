#include "engine/smpp/gsm_alphabet.h"

namespace trevalon {

namespace {

// GSM 03.38 in code order; the escape code 0x1B holds a space.
constexpr TtcGSMAlphabetPool::Table kDefaultAlphabet = {
    u'@',      u'\u00A3', u'$',      u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC',
    u'\u00F2', u'\u00C7', u'\n',     u'\u00D8', u'\u00F8', u'\r',     u'\u00C5', u'\u00E5',
    u'\u0394', u'_',      u'\u03A6', u'\u0393', u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8',
    u'\u03A3', u'\u0398', u'\u039E', u' ',      u'\u00C6', u'\u00E6', u'\u00DF', u'\u00C9',
    u' ',      u'!',      u'"',      u'#',      u'\u00A4', u'%',      u'&',      u'\'',
    u'(',      u')',      u'*',      u'+',      u',',      u'-',      u'.',      u'/',
    u'0',      u'1',      u'2',      u'3',      u'4',      u'5',      u'6',      u'7',
    u'8',      u'9',      u':',      u';',      u'<',      u'=',      u'>',      u'?',
    u'\u00A1', u'A',      u'B',      u'C',      u'D',      u'E',      u'F',      u'G',
    u'H',      u'I',      u'J',      u'K',      u'L',      u'M',      u'N',      u'O',
    u'P',      u'Q',      u'R',      u'S',      u'T',      u'U',      u'V',      u'W',
    u'X',      u'Y',      u'Z',      u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7',
    u'\u00BF', u'a',      u'b',      u'c',      u'd',      u'e',      u'f',      u'g',
    u'h',      u'i',      u'j',      u'k',      u'l',      u'm',      u'n',      u'o',
    u'p',      u'q',      u'r',      u's',      u't',      u'u',      u'v',      u'w',
    u'x',      u'y',      u'z',      u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0',
};

constexpr TtcGSMAlphabetPool::Table MakeExtension() {
    TtcGSMAlphabetPool::Table table{};
    for (char16_t& character : table) {
        character = u' ';
    }
    table[0x14] = u'^';
    table[0x28] = u'{';
    table[0x29] = u'}';
    table[0x2F] = u'\\';
    table[0x3C] = u'[';
    table[0x3D] = u'~';
    table[0x3E] = u']';
    table[0x65] = u'\u20AC';
    return table;
}

constexpr TtcGSMAlphabetPool::Table kExtension = MakeExtension();

}  // namespace

const TtcGSMAlphabetPool::Table& TtcGSMAlphabetPool::DefaultAlphabet() {
    return kDefaultAlphabet;
}

const TtcGSMAlphabetPool::Table& TtcGSMAlphabetPool::Extension() {
    return kExtension;
}

int TtcGSMAlphabetPool::Find(const Table& table, char16_t character) {
    for (int index = 0; index < static_cast<int>(table.size()); ++index) {
        if (table[static_cast<std::size_t>(index)] == character) {
            return index;
        }
    }
    return -1;
}

std::vector<std::uint8_t> GsmDefaultCodes(std::u16string_view text) {
    std::vector<std::uint8_t> codes;
    codes.reserve(text.size());
    for (const char16_t character : text) {
        if (character == u' ') {
            codes.push_back(0x20);
            continue;
        }
        const int index = TtcGSMAlphabetPool::Find(kDefaultAlphabet, character);
        if (index >= 0) {
            codes.push_back(static_cast<std::uint8_t>(index));
            continue;
        }
        const int extension = TtcGSMAlphabetPool::Find(kExtension, character);
        if (extension >= 0) {
            codes.push_back(kGsmEscape);
            codes.push_back(static_cast<std::uint8_t>(extension));
            continue;
        }
        codes.push_back(0x20);
    }
    return codes;
}

std::vector<std::uint8_t> PackSeptets(const std::vector<std::uint8_t>& codes, int fillBits) {
    const std::size_t totalBits = static_cast<std::size_t>(fillBits) + 7 * codes.size();
    std::vector<std::uint8_t> octets((totalBits + 7) / 8, 0);
    std::size_t bit = static_cast<std::size_t>(fillBits);
    for (const std::uint8_t code : codes) {
        const unsigned septet = code & 0x7Fu;
        const std::size_t octet = bit / 8;
        const unsigned shift = bit % 8;
        octets[octet] = static_cast<std::uint8_t>(octets[octet] | (septet << shift));
        if (shift > 1) {
            octets[octet + 1] = static_cast<std::uint8_t>(septet >> (8 - shift));
        }
        bit += 7;
    }
    return octets;
}

}  // namespace trevalon
