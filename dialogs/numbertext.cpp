#include "dialogs/numbertext.h"

#include <charconv>
#include <climits>
#include <string>

namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text from its first non-space character, as Latin-1 (anything else ends a number anyway).
std::string Trimmed(const QString &text)
{
    const std::string s = text.toLatin1().toStdString();
    std::size_t i = 0;
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    return s.substr(i);
}

// Where the number starts: past an optional sign, which sets negative when it is '-'.
std::size_t SkipSign(const std::string &s, bool &negative)
{
    negative = !s.empty() && s[0] == '-';
    return !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
}

} // namespace

double TextToDouble(const QString &text)
{
    const std::string s = Trimmed(text);
    bool negative;
    std::size_t i = SkipSign(s, negative);
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }
    double value = 0.0;
    std::from_chars(s.data() + start, s.data() + i, value);
    return negative ? -value : value;
}

int TextToInt(const QString &text)
{
    const std::string s = Trimmed(text);
    bool negative;
    std::size_t i = SkipSign(s, negative);
    long long value = 0;
    while (i < s.size() && IsDigit(s[i])) {
        value = value * 10 + (s[i++] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

bool ParseIntegerField(const QString &text, int &value)
{
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    if (i == t.size())
        return false;
    for (int j = i; j < t.size(); ++j)
        if (!t[j].isDigit() || t[j].unicode() > 127)
            return false;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok)
        return false;
    value = v;
    return true;
}
