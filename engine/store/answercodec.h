// SPDX-License-Identifier: MIT
#pragma once

// How the store keeps an answer: zlib-compressed, under a key made from the
// text so that identical answers are kept once.

#include <string>
#include <string_view>

// 16 bytes: FNV-1a 64 and CRC-32 of the text and its length. Two hashes of
// different families and the length make two distinct answers of one store
// sharing a key far less likely than a disk error.
[[nodiscard]] std::string AnswerKey(std::string_view text);
// The zlib stream of `text`; empty for an empty text or on failure.
[[nodiscard]] std::string CompressAnswer(std::string_view text);
// The text of a stream CompressAnswer made, `bytes` long; empty when the
// stream is damaged.
[[nodiscard]] std::string DecompressAnswer(std::string_view stream, std::size_t bytes);
