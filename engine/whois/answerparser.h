// SPDX-License-Identifier: MIT
#pragma once

// Turns one WHOIS answer into a row's status and text fields, by the recipe
// of `server`, the registry the row is asked at (never by the server that
// wrote the answer, nor by the row's server column, which may hold it cut);
// a server outside the ten gets the recipe of today's common labels. Every
// value is read clean (see valueclean.h) and in UTF-8 (a GBK answer is
// converted first); the row stores its cut GBK copy.

#include <string>
#include <string_view>

#include "engine/store/checkvalues.h"

struct DomainRecord;

// `answer` is the text as the per-row query hands it over: the first answer
// with every CR and LF turned into '^', or an adopted referral answer; line
// ends of either kind are read alike. An empty answer, a refusal ("WHOIS
// LIMIT EXCEEDED") that names no record, or an answer that names nothing
// at all (no value, no domain, no word that the name is free) makes the row
// Error and changes nothing else; nothing at all happens when `server` is
// empty.
void ParseAnswer(DomainRecord& row, std::string_view server, std::string answer);
// The same; `whole` gets every value the recipe writes, whole and in UTF-8
// (the others are emptied).
void ParseAnswer(DomainRecord& row, std::string_view server, std::string answer,
                 CheckValues& whole);
