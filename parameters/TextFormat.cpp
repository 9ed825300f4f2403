#include "TextFormat.h"

#include <cmath>

void copyText(char* text, const char* source, int limit)
{
    int n = 0;
    for (; n < limit && source[n]; ++n)
        text[n] = source[n];
    text[n] = 0;
}

void formatInteger(std::int32_t value, char* text, int limit)
{
    if (value >= 100000000) {
        copyText(text, "Huge!", limit);
        return;
    }
    char digits[16];
    int count = 0;
    // Magnitude in 64 bits: the most negative 32-bit value has no 32-bit magnitude.
    long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    char result[16];
    int length = 0;
    if (value < 0)
        result[length++] = '-';
    while (count > 0)
        result[length++] = digits[--count];
    result[length] = 0;
    copyText(text, result, limit);
}

// Eight characters before cutting: sign, integer digits, point, fraction.
// Digits are cut, never rounded. Magnitudes of 10^7 and more, and infinities,
// show "Huge!"; NaN shows "NaN".
void formatFloat(float value, char* text, int limit)
{
    if (std::isnan(value)) {
        copyText(text, "NaN", limit);
        return;
    }
    const double magnitude = std::fabs(static_cast<double>(value));
    if (magnitude >= 1e7) {
        copyText(text, value < 0 ? "-Huge!" : "Huge!", limit);
        return;
    }
    char result[9];
    int used = 0;
    if (value < 0)
        result[used++] = '-';

    char integer[8];
    int integerDigits = 0;
    double i = magnitude;
    do {
        integer[integerDigits++] = static_cast<char>('0' + static_cast<int>(std::fmod(i, 10.0)));
        i /= 10.0;
    } while (i >= 1.0 && used + 1 + integerDigits < 8);
    while (integerDigits > 0)
        result[used++] = integer[--integerDigits];
    result[used++] = '.';

    const int k = 8 - used;
    double m = std::fmod(magnitude, 1.0) * std::pow(10.0, k);
    for (int d = k - 1; d >= 0; --d) {
        result[used + d] = m <= 0.0 ? '0' : static_cast<char>('0' + static_cast<int>(std::fmod(m, 10.0)));
        m /= 10.0;
    }
    result[8] = 0;
    copyText(text, result, limit);
}

// The logarithm and the product are each rounded to 32-bit floats.
void formatDecibels(float value, char* text, int limit)
{
    if (value <= 0.0f) {
        copyText(text, "-oo", limit);
        return;
    }
    const auto logarithm = static_cast<float>(std::log10(static_cast<double>(value)));
    formatFloat(static_cast<float>(20.0 * logarithm), text, limit);
}
