// SPDX-License-Identifier: MIT
#pragma once

// Finishes one row: asks its WHOIS server, follows at most one referral to
// a registrar's server, and reads the answers into the row. A row without a
// server is asked nothing and ends as NoServer. Only a failed first query
// makes the row Error for a connection's sake; a referral that is refused,
// fails or refuses to answer leaves the row as the registry's answer alone
// makes it.

#include <string>
#include <string_view>

#include "engine/domaintable.h"
#include "engine/rowdetails.h"
#include "engine/whois/queryhop.h"

// The domain used after "MORE.INFO.AT." in answers that point at no referral.
inline constexpr const char* kReferralMarkerDomain = "WWW.TV.COM";

// `server` is the registry the row is asked at, by its whole name: it is
// asked first and chooses the recipe of both answers; the row's server
// column is not read (it is for display, and may hold the name cut).
// The outcome says why a row ended as Error (or without a server), keeps
// the last answer it was read from and the server that wrote it, and holds
// the values whole (the row holds their cut GBK copies).
RowOutcome QueryRow(DomainRecord& row, const std::string& server, const WhoisTransport& transport);

// The same with the parser as a parameter, so tests can see the text it gets.
using AnswerParseFunction = std::function<void(DomainRecord& row, std::string_view server,
                                               std::string answer, CheckValues& whole)>;
RowOutcome QueryRow(DomainRecord& row, const std::string& server, const WhoisTransport& transport,
                    const AnswerParseFunction& parse);
