#include "lang/Format.h"

#include "lang/FormatException.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace lang {

namespace {

/// Counts every character but writes only what fits, leaving room for the zero.
class Output
{
public:
    Output(char* buffer, int capacity) : m_buffer(buffer), m_capacity(capacity) {}

    void put(char c)
    {
        if (m_length < m_capacity - 1)
            m_buffer[m_length] = c;
        ++m_length;
    }
    void put(const char* text, int length)
    {
        for (int i = 0; i < length; ++i)
            put(text[i]);
    }
    int finish()
    {
        if (m_capacity > 0)
            m_buffer[m_length < m_capacity - 1 ? m_length : m_capacity - 1] = 0;
        return m_length + 1;
    }

private:
    char* m_buffer;
    int m_capacity;
    int m_length = 0;
};

/// Truncates toward zero into 32 bits; values past the range wrap, NaN gives 0.
int32_t truncateToInt32(double number)
{
    if (!(number > -9.2e18 && number < 9.2e18))
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(number)));
}

void renderNumber(Output& out, double number, const String& spec)
{
    bool fraction = false;
    bool fixedPoint = false;
    int integerDigits = 0;
    int fractionDigits = 0;
    char conversion = 0;
    for (int i = 0; i < spec.length() && !conversion; ++i) {
        char c = spec[i];
        if (c == '.') {
            fraction = true;
        } else if (c == '0' || c == '#') {
            if (fraction) {
                ++fractionDigits;
            } else {
                fixedPoint = true;
                if (c == '0')
                    ++integerDigits;
            }
        } else if (c == 'x' || c == 'X' || c == 'd' || c == 'i') {
            conversion = c;
        }
    }

    char text[512];
    int length;
    if (conversion) {
        const char format[3] = {'%', conversion, 0};
        length = std::snprintf(text, sizeof(text), format, truncateToInt32(number));
    } else if (fractionDigits > 0 || fixedPoint) {
        if (integerDigits > 0)
            length = std::snprintf(text, sizeof(text), "%0*.*f", integerDigits, fractionDigits, number);
        else
            length = std::snprintf(text, sizeof(text), "%.*f", fractionDigits, number);
    } else {
        length = std::snprintf(text, sizeof(text), "%g", number);
    }
    if (length >= static_cast<int>(sizeof(text))) {
        // Only a huge fixed-point number gets here; render it whole.
        std::vector<char> big(static_cast<size_t>(length) + 1);
        if (integerDigits > 0)
            std::snprintf(big.data(), big.size(), "%0*.*f", integerDigits, fractionDigits, number);
        else
            std::snprintf(big.data(), big.size(), "%.*f", fractionDigits, number);
        out.put(big.data(), length);
    } else if (length > 0) {
        out.put(text, length);
    }
}

void renderArgument(Output& out, const FormatArg& arg, const String& spec)
{
    switch (arg.kind()) {
    case FormatArg::KIND_TEXT:
        out.put(arg.text().c_str(), arg.text().length());
        break;
    case FormatArg::KIND_NUMBER:
        renderNumber(out, arg.number(), spec);
        break;
    case FormatArg::KIND_NONE:
        break;
    }
}

} // namespace

Format::Format(const String& format, const FormatArg& arg0) : m_format(format), m_argc(1)
{
    m_args[0] = arg0;
}

Format::Format(const String& format, const FormatArg& arg0, const FormatArg& arg1) : m_format(format), m_argc(2)
{
    m_args[0] = arg0;
    m_args[1] = arg1;
}

Format::Format(const String& format, const FormatArg& arg0, const FormatArg& arg1, const FormatArg& arg2)
    : m_format(format), m_argc(3)
{
    m_args[0] = arg0;
    m_args[1] = arg1;
    m_args[2] = arg2;
}

Format::Format(const String& format, const FormatArg& arg0, const FormatArg& arg1, const FormatArg& arg2,
               const FormatArg& arg3)
    : m_format(format), m_argc(4)
{
    m_args[0] = arg0;
    m_args[1] = arg1;
    m_args[2] = arg2;
    m_args[3] = arg3;
}

int Format::format(char* buffer, int capacity) const
{
    Output out(buffer, capacity);
    const String& f = m_format;
    const int length = f.length();
    bool escaped = false;
    for (int i = 0; i < length; ++i) {
        char c = f[i];
        if (c == '\\' && !escaped) {
            escaped = true;
            continue;
        }
        if (c == '{' && !escaped && i + 1 < length) {
            const int open = i + 1;
            const int close = f.indexOf('}', open);
            if (close < 0)
                throw FormatException(Format("Failed to format \"{0}\", '}' not found after {1}", f, open));
            if (close == open)
                throw FormatException(Format("Failed to format \"{0}\", argument index not found at {1}", f, open));
            char digit = f[open];
            if (digit < '0' || digit > '9')
                throw FormatException(Format("Failed to format \"{0}\", digit expected at {1}", f, open));
            int index = digit - '0';
            if (index >= m_argc)
                throw FormatException(Format("Failed to format \"{0}\", invalid argument index at {1}", f, open));
            int specBegin = open + 1;
            if (specBegin < close && f[specBegin] == ',')
                ++specBegin;
            renderArgument(out, m_args[index], f.substring(specBegin, close));
            i = close;
            continue;
        }
        out.put(c);
        escaped = false;
    }
    return out.finish();
}

String Format::toString() const
{
    char buffer[512];
    int needed = format(buffer, sizeof(buffer));
    if (needed < static_cast<int>(sizeof(buffer)))
        return String(buffer, needed - 1);
    std::vector<char> big(static_cast<size_t>(needed) + 2);
    needed = format(big.data(), static_cast<int>(big.size()));
    return String(big.data(), needed - 1);
}

} // namespace lang
