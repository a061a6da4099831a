// SPDX-License-Identifier: MIT
#include "engine/store/answercodec.h"

#include <zlib.h>

#include <cstdint>

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;

// zlib's default level: the writer thread compresses, off every worker, so
// the smaller file is worth the few more microseconds.
constexpr int kLevel = Z_DEFAULT_COMPRESSION;

void PutBytes(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

std::string AnswerKey(std::string_view text) {
    std::uint64_t fnv = kFnvOffset;
    for (const char c : text) {
        fnv ^= static_cast<unsigned char>(c);
        fnv *= kFnvPrime;
    }
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(text.data()), text.size());
    std::string key;
    key.reserve(16);
    PutBytes(key, fnv, 8);
    PutBytes(key, crc, 4);
    PutBytes(key, text.size(), 4);
    return key;
}

std::string CompressAnswer(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()),
                  kLevel) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

std::string DecompressAnswer(std::string_view stream, std::size_t bytes) {
    if (stream.empty() || bytes == 0) {
        return {};
    }
    std::string out(bytes, '\0');
    uLongf size = static_cast<uLongf>(bytes);
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(stream.data()),
                   static_cast<uLong>(stream.size())) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}
