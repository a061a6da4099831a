#pragma once

// Finishes one row: asks its WHOIS server, follows at most one referral,
// picks the answer to keep and parses it into the row.

#include "engine/querythread.h"
#include "engine/rowdetails.h"

// The domain used after "MORE.INFO.AT." in answers that point at no referral.
inline constexpr const char* kReferralMarkerDomain = "WWW.TV.COM";

// The outcome says why a row ended as Error and keeps the answer it was
// parsed from.
RowOutcome QueryRow(DomainRecord& row, const WhoisTransport& transport);

// The same with the parser as a parameter, so tests can see the text it gets.
using AnswerParseFunction = std::function<void(DomainRecord& row, std::string answer)>;
RowOutcome QueryRow(DomainRecord& row, const WhoisTransport& transport,
                    const AnswerParseFunction& parse);
