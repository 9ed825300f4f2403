// Fixed-width number texts for parameter displays: at most `limit`
// characters and a terminating zero.
#pragma once

#include <cstdint>

// Decimal digits with a sign; 10^8 and more show "Huge!".
void formatInteger(std::int32_t value, char* text, int limit);
// Eight characters before cutting: sign, integer digits, point, fraction.
void formatFloat(float value, char* text, int limit);
// 20 log10(value) as formatFloat writes it; "-oo" for 0 and below.
void formatDecibels(float value, char* text, int limit);
// Copies at most `limit` characters and a terminating zero.
void copyText(char* text, const char* source, int limit);
