// Hex text to bytes for golden wire vectors ("0a 1b" or "0a1b"; spaces free).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Sample::TestHex {

inline std::vector<std::uint8_t> Bytes(const std::string& hex) {
    std::vector<std::uint8_t> out;
    std::string digits;
    for (char c : hex) {
        if (c != ' ') {
            digits += c;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

inline std::string Zeros(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += "00";
    }
    return s;
}

inline std::string Text(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
        s += ' ';
    }
    return s;
}

}  // namespace Sample::TestHex
