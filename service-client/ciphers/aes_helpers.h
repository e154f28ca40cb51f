#pragma once
// Byte, word and hexadecimal helpers of the AES-128 cipher. A word is 4 bytes.

#include <cstdint>
#include <string>

void xorWord(const uint8_t* a, const uint8_t* b, uint8_t* out);
void setWord(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t* out);
void rotWord(const uint8_t* in, uint8_t* out);

// Stores the low 8 bits of each of the first min(text length, outLength) characters.
void StringToBytes(const std::u16string& text, uint8_t* out, int outLength);
// One character per byte, the character code equal to the byte value.
std::u16string BytesToString(const uint8_t* bytes, int length);

// '0'..'9' give 0..9, 'a'..'f' give 10..15, every other character (upper case too) gives 255.
uint8_t hexToBit(char16_t ch);
// hexToBit(first) << 4 XOR hexToBit(second), kept to 8 bits; a missing character counts as
// one that is not a hex digit.
uint8_t hexToByte(const std::u16string& text);
// '0'..'9', then 'a'..'f', for 0..15.
char16_t hexChar(int n);
// Two lower-case hex digits, high nibble first.
std::u16string hexToString(uint8_t b);
