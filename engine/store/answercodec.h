// SPDX-License-Identifier: MIT
#pragma once

// How the store keeps an answer: zlib-compressed, under a key made from the
// text so that identical answers are kept once. An answer may be compressed
// against an earlier answer (its base): a registry's next answer about the
// same name repeats nearly all of the last one (the terms of use, the
// contacts) and shrinks to its differences, a tenth of its size or less.

#include <string>
#include <string_view>

// 16 bytes: FNV-1a 64 and CRC-32 of the text and its length. Two hashes of
// different families and the length make two distinct answers of one store
// sharing a key far less likely than a disk error.
[[nodiscard]] std::string AnswerKey(std::string_view text);
// The zlib stream of `text`, with `base` as the preset dictionary when it is
// not empty; empty for an empty text or on failure.
[[nodiscard]] std::string CompressAnswer(std::string_view text, std::string_view base = {});
// The text of a stream CompressAnswer made with the same `base`, `bytes`
// long; empty when the stream is damaged or the base is not its own.
[[nodiscard]] std::string DecompressAnswer(std::string_view stream, std::size_t bytes,
                                           std::string_view base = {});
