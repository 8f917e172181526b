#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// Bytes as two lower-case hex digits each, joined by colons ("87:01:1a").
QString formatColonHex(const std::uint8_t *bytes, std::size_t count);
