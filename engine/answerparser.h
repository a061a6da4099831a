#pragma once

// Turns one WHOIS answer into a row's status and text fields, by the recipe
// of the registry named in row.whoisServer (never by the server that wrote
// the answer).

#include <string>

struct DomainRecord;

// `answer` is the text as the per-row query hands it over: the first answer
// with every CR and LF turned into '^', or an adopted referral answer.
void ParseAnswer(DomainRecord& row, std::string answer);

// "T" to a blank, "Z" removed, outer white space trimmed.
[[nodiscard]] std::string CleanDate(std::string text);
