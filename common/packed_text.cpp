#include "common/packed_text.h"

// Each packed byte stands for itself or, when it is a pair's code, for its
// two bytes, each of which may be a pair again. A stack of bytes still to
// be unpacked replaces recursion; since every pair unpacked grows it by one
// and every plain byte written shrinks it, a table that loops fills the
// stack or the output, and unpacking stops there.

namespace {

const size_t header_size = 3;  // length (2 bytes, little end first), pairs
const unsigned stack_depth = 256;

struct Pairs {
    bool is_pair[256];
    unsigned char left[256];
    unsigned char right[256];
};

void read_pairs(const unsigned char *table, unsigned count, Pairs *pairs)
{
    for (unsigned c = 0; c < 256; ++c)
        pairs->is_pair[c] = false;
    for (unsigned i = 0; i < count; ++i) {
        unsigned char code = table[3 * i];
        pairs->is_pair[code] = true;
        pairs->left[code] = table[3 * i + 1];
        pairs->right[code] = table[3 * i + 2];
    }
}

// Unpacks one packed byte onto out at *at; false when it overflows.
bool unpack_byte(const Pairs &pairs, unsigned char byte, char *out,
                 size_t length, size_t *at)
{
    unsigned char stack[stack_depth];
    unsigned depth = 0;
    stack[depth++] = byte;
    while (depth > 0) {
        unsigned char b = stack[--depth];
        if (pairs.is_pair[b]) {
            if (depth + 2 > stack_depth)
                return false;
            stack[depth++] = pairs.right[b];
            stack[depth++] = pairs.left[b];
        } else {
            if (*at >= length)
                return false;
            out[(*at)++] = (char)b;
        }
    }
    return true;
}

}  // namespace

size_t packed_text_length(const unsigned char *packed, size_t size)
{
    if (packed == nullptr || size < header_size)
        return 0;
    return (size_t)packed[0] | (size_t)packed[1] << 8;
}

bool unpack_text(const unsigned char *packed, size_t size, char *out,
                 size_t out_size)
{
    if (out == nullptr || out_size == 0)
        return false;
    out[0] = '\0';
    size_t length = packed_text_length(packed, size);
    if (size < header_size || length >= out_size)
        return false;
    unsigned count = packed[2];
    size_t body = header_size + 3 * (size_t)count;
    if (size < body)
        return false;
    Pairs pairs;
    read_pairs(packed + header_size, count, &pairs);
    size_t at = 0;
    for (size_t i = body; i < size; ++i)
        if (!unpack_byte(pairs, packed[i], out, length, &at)) {
            out[0] = '\0';
            return false;
        }
    if (at != length) {
        out[0] = '\0';
        return false;
    }
    out[at] = '\0';
    return true;
}
