#include "common/text.h"

#include <stdarg.h>

namespace {

// Where the next character goes, the place kept for the terminating zero,
// and whether every character so far found room.
struct TextSink {
    char *at;
    char *end;
    bool fits;
};

bool start_sink(TextSink *sink, char *buf, size_t size)
{
    if (size == 0)
        return false;
    sink->at = buf;
    sink->end = buf + size - 1;
    sink->fits = true;
    return true;
}

void put_char(TextSink *sink, char c)
{
    if (sink->at < sink->end)
        *sink->at++ = c;
    else
        sink->fits = false;
}

void put_text(TextSink *sink, const char *text)
{
    if (text == nullptr)
        return;
    for (; *text != '\0' && sink->fits; ++text)
        put_char(sink, *text);
}

static_assert(sizeof(unsigned) == 4, "the digits below hold 32 bits");

void put_unsigned(TextSink *sink, unsigned value)
{
    char digits[sizeof "4294967295"];  // the largest value
    char *first = digits + sizeof digits - 1;
    *first = '\0';
    do {
        *--first = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    put_text(sink, first);
}

bool finish_sink(TextSink *sink)
{
    *sink->at = '\0';
    return sink->fits;
}

}  // namespace

bool text_same(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b)
        ++a, ++b;
    return *a == *b;
}

bool text_copy(char *buf, size_t size, const char *text)
{
    TextSink sink;
    if (!start_sink(&sink, buf, size))
        return false;
    put_text(&sink, text);
    return finish_sink(&sink);
}

bool text_format(char *buf, size_t size, const char *format, ...)
{
    TextSink sink;
    if (!start_sink(&sink, buf, size))
        return false;
    va_list args;
    va_start(args, format);
    for (const char *f = format; *f != '\0' && sink.fits; ++f) {
        if (*f != '%') {
            put_char(&sink, *f);
            continue;
        }
        switch (f[1]) {
        case 's':
            put_text(&sink, va_arg(args, const char *));
            ++f;
            break;
        case 'u':
            put_unsigned(&sink, va_arg(args, unsigned));
            ++f;
            break;
        case '%':
            put_char(&sink, '%');
            ++f;
            break;
        default:
            // Also a % at the very end: the loop stops at the zero after it.
            put_char(&sink, '%');
            break;
        }
    }
    va_end(args);
    return finish_sink(&sink);
}
