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

Bytef* Bytes(std::string_view text) {
    // zlib's interface is not const-correct; it only reads these.
    return reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
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

std::string CompressAnswer(std::string_view text, std::string_view base) {
    if (text.empty()) {
        return {};
    }
    z_stream stream{};
    if (deflateInit(&stream, kLevel) != Z_OK) {
        return {};
    }
    std::string out;
    bool ok = base.empty() ||
              deflateSetDictionary(&stream, Bytes(base), static_cast<uInt>(base.size())) == Z_OK;
    if (ok) {
        out.resize(deflateBound(&stream, static_cast<uLong>(text.size())));
        stream.next_in = Bytes(text);
        stream.avail_in = static_cast<uInt>(text.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = static_cast<uInt>(out.size());
        ok = deflate(&stream, Z_FINISH) == Z_STREAM_END;
        out.resize(stream.total_out);
    }
    deflateEnd(&stream);
    return ok ? out : std::string();
}

std::string DecompressAnswer(std::string_view stream, std::size_t bytes, std::string_view base) {
    if (stream.empty() || bytes == 0) {
        return {};
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        return {};
    }
    std::string out(bytes, '\0');
    z.next_in = Bytes(stream);
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&z, Z_FINISH);
    if (rc == Z_NEED_DICT && !base.empty() &&
        inflateSetDictionary(&z, Bytes(base), static_cast<uInt>(base.size())) == Z_OK) {
        rc = inflate(&z, Z_FINISH);
    }
    const bool ok = rc == Z_STREAM_END && z.total_out == bytes;
    inflateEnd(&z);
    return ok ? out : std::string();
}
