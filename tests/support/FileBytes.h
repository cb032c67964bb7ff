#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivrano::testing {

std::vector<std::uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Little-endian integers at an offset, for poking at files in tests.
std::uint32_t getU32(const std::vector<std::uint8_t>& bytes, std::size_t offset);
void putU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);

}  // namespace kivrano::testing
